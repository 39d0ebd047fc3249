#!/bin/bash
# The run command: installs what is missing, builds Vorlane and the stand-in help runtime,
# installs the runtime into a Wine prefix, starts its agent, prints the sample catalog's
# top-level table of contents as the agent serves it, and starts Vorlane: on $DISPLAY when
# there is one, otherwise under Xvfb, saving a screenshot and stopping by itself.
#   scripts/run.sh [--large] [--seconds N]     (--large: the generated 50,000-topic store)
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"

bash "$ROOT/scripts/setup.sh" || exit 1
BUILD="${VORLANE_BUILD:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
  -DVORLANE_BENCH_FETCH=OFF >/dev/null || exit 1
cmake --build "$BUILD" -j"$(nproc)" --target Vorlane standin || exit 1

export VORLANE_BUILD="$BUILD"
exec bash "$ROOT/scripts/standin-demo.sh" "$@"
