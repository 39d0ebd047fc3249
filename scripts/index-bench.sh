#!/bin/bash
# Prints the keyword index's figures against the stand-in agent with the large generated
# store: full load, cached load, type-ahead, memory.
#   scripts/index-bench.sh [PREFIX] [bench_index options, e.g. --pagesize 50000 --runs 3]
set -eu
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
vorlane_bench_store "${1:-index-bench}"
shift || true
vorlane_run_bench 900 "$build/bench/bench_index.exe" --agent "$VORLANE_BENCH_AGENT" --localstore "$VORLANE_BENCH_STORE" "$@"
