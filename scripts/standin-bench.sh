#!/bin/bash
# Prints the stand-in agent's figures with the large generated store (50,000 topics,
# 300,000 keyword rows): in memory, and as a real agent process on an installed store.
#   scripts/standin-bench.sh [PREFIX]      (default prefix name: standin-bench)
set -eu
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
vorlane_bench_store "${1:-standin-bench}"
vorlane_run_bench 300 "$build/standin/StandinBench.exe" --agent "$VORLANE_BENCH_AGENT" --localstore "$VORLANE_BENCH_STORE"
