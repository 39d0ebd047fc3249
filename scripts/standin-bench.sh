#!/bin/bash
# Prints the stand-in agent's figures with the large generated store (50,000 topics,
# 300,000 keyword rows): in memory, and as a real agent process on an installed store.
#   scripts/standin-bench.sh [PREFIX]      (default prefix name: standin-bench)
set -eu
name="${1:-standin-bench}"
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
case "$name" in /*) prefix="$name" ;; *) prefix="/tmp/vorlane-prefix-$name" ;; esac
"$(dirname "$0")/standin-install.sh" "$prefix" --registry none --store large \
  --approot 'C:\standin-bench\AppRoot' --localstore 'C:\standin-bench\Store' --clean >/dev/null
vorlane_wine_env "$prefix"
out="$(mktemp)"
timeout 300 wine "$build/standin/StandinBench.exe" --agent 'C:\standin-bench\AppRoot\HelpLibAgent.exe' \
  --localstore 'C:\standin-bench\Store' >"$out" 2>&1 || true
cat "$out"; rm -f "$out"
