#!/bin/bash
# Prints what a user of the viewer waits for, on the large generated store (50,000 more
# topics, 300,000 keyword rows): through the real Vorlane.exe the start to the main window and
# to the contents and the expansion of a node with several hundred children (agent start
# apart); then the keyword index figures (full load next to the bare fetch, cached load,
# type-ahead, private bytes with the full index); a node of 50,000 children expanded (time, the
# window's longest wait, private bytes per node), and with it open the interface language
# switched to Hebrew and back (time, the window's longest wait). Medians of several runs.
#   scripts/viewer-bench.sh [PREFIX] [--runs N] [--index | --stalls | --catalogs | --bignode]
#   (default prefix name: viewer-bench)
# --index: the keyword index figures only (no starts, contents or expansions).
# --bignode: the node of 50,000 children only.
# --stalls: N days of steps under a probe that sends the main window a message every 20 ms,
#   printing the longest wait for its answer per step (median and range over the days):
#   with the agent healthy (close, start-up, sync, opening a topic, catalog change and back,
#   the index, a search, expansions), then with every contents request held 5 s (Cancel
#   clicked, the reply waited for, opening a topic, a close).
# --catalogs: the sample store with 5,000, 20,000 and 50,000 more catalogs: start to the
#   main window and to the full catalog box, and the close, with the time per catalog.
set -eu
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
name="${1:-viewer-bench}"
shift || true
case "$name" in /*) prefix="$name" ;; *) prefix="/tmp/vorlane-prefix-$name" ;; esac
for f in Vorlane.exe bench/bench_viewer.exe bench/bench_index.exe bench/bench_catalogs.exe; do
  [ -f "$build/$f" ] || { echo "missing $build/$f (cmake --build $build)" >&2; exit 1; }
done
vorlane_make_prefix "$prefix" null
vorlane_warm_prefix "$prefix" || true  # a running wineserver is kept
args=() index_only="" stalls="" catalogs="" bignode=""
for a in "$@"; do
  case "$a" in
    --index) index_only=1 ;;
    --stalls) stalls=1 ;;
    --catalogs) catalogs=1 ;;
    --bignode) bignode=1 ;;
    *) args+=("$a") ;;
  esac
done
if [ -n "$catalogs" ]; then
  echo "== the program with many catalogs (start, catalog box, close)"
  vorlane_run_bench 1800 "$build/bench/bench_catalogs.exe" "Z:${build//\//\\}\\Vorlane.exe" ${args[@]+"${args[@]}"}
  exit 0
fi
what="start, contents, expansion, the keyword index"
[ -z "$index_only" ] || what="the keyword index only"
[ -z "$stalls" ] || what="the window's answers through a day of steps"
[ -z "$bignode" ] || what="a node of 50,000 children"
echo "== the program ($what)"
vorlane_run_bench 1800 "$build/bench/bench_viewer.exe" "Z:${build//\//\\}\\Vorlane.exe" ${args[@]+"${args[@]}"} ${index_only:+--index} ${stalls:+--stalls} ${bignode:+--bignode}
[ -z "$stalls$bignode" ] || exit 0
echo "== the keyword index in-process"
vorlane_bench_store "$prefix"
vorlane_run_bench 900 "$build/bench/bench_index.exe" --agent "$VORLANE_BENCH_AGENT" --localstore "$VORLANE_BENCH_STORE" ${args[@]+"${args[@]}"}
