#!/bin/bash
# The test command: installs what is missing, builds everything, makes a fresh Wine prefix
# for this run and runs every test executable under Wine through CTest.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/lib.sh"

bash "$ROOT/scripts/setup.sh" || exit 1

BUILD="${VORLANE_BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
  -DVORLANE_BENCH_FETCH=OFF >/dev/null || exit 1
cmake --build "$BUILD" -j"$(nproc)" || exit 1

PREFIX="$(mktemp -d /tmp/vorlane-test-prefix.XXXXXX)"
trap 'vorlane_stop_prefix "$PREFIX"; rm -rf "$PREFIX"' EXIT
echo "test: making Wine prefix $PREFIX"
vorlane_make_prefix "$PREFIX" null
vorlane_warm_prefix "$PREFIX"

cd "$BUILD"
ctest --timeout 600 -j"$(nproc)" --output-on-failure "$@"
rc=$?
exit $rc
