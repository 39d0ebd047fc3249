#!/bin/bash
# The run command: installs what is missing, builds Vorlane, its end-to-end probe and the
# stand-in help runtime, installs the runtime into a Wine prefix, starts its agent, prints the
# sample catalog's top-level table of contents as the agent serves it, and starts Vorlane: it
# waits for the main window, opens the debug window with Ctrl+D and prints the debug log's
# header. On $DISPLAY Vorlane keeps running; otherwise it runs under Xvfb, a screenshot of the
# main window (vorlane-screenshot.png) is saved, the window is closed with WM_CLOSE and the
# values it saved under "main" are printed.
#   scripts/run.sh [--large] [--seconds N] [VORLANE ARGS...]
# --large: the generated 50,000-topic store; other arguments go to Vorlane.exe (e.g. /debug).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"

bash "$ROOT/scripts/setup.sh" || exit 1
BUILD="${VORLANE_BUILD:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
  -DVORLANE_BENCH_FETCH=OFF >/dev/null || exit 1
cmake --build "$BUILD" -j"$(nproc)" --target Vorlane VorlaneProbe standin || exit 1

export VORLANE_BUILD="$BUILD"
exec bash "$ROOT/scripts/standin-demo.sh" "$@"
