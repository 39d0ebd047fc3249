#!/bin/bash
# Prints the keyword index's figures against the stand-in agent with the large generated
# store (50,000 topics, 300,000 keyword rows): full load, cached load, type-ahead, memory.
#   scripts/index-bench.sh [PREFIX] [bench_index options, e.g. --pagesize 50000 --runs 3]
set -eu
name="${1:-index-bench}"; shift || true
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
case "$name" in /*) prefix="$name" ;; *) prefix="/tmp/vorlane-prefix-$name" ;; esac
"$(dirname "$0")/standin-install.sh" "$prefix" --registry none --store large \
  --approot 'C:\standin-bench\AppRoot' --localstore 'C:\standin-bench\Store' --clean >/dev/null
vorlane_wine_env "$prefix"
out="$(mktemp)"
timeout 900 wine "$build/bench/bench_index.exe" --agent 'C:\standin-bench\AppRoot\HelpLibAgent.exe' \
  --localstore 'C:\standin-bench\Store' "$@" >"$out" 2>&1 || true
cat "$out"; rm -f "$out"
