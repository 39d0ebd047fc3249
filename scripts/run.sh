#!/bin/bash
# The run command: builds Vorlane and starts it under Wine, on the user's display when
# there is one, otherwise under Xvfb, saving a screenshot and stopping by itself.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/lib.sh"

bash "$ROOT/scripts/setup.sh" || exit 1
BUILD="${VORLANE_BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" >/dev/null || exit 1
cmake --build "$BUILD" -j"$(nproc)" || exit 1

PREFIX="${VORLANE_RUN_PREFIX:-$HOME/.vorlane-wine}"
XVFB_PID=""
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:77
  Xvfb :77 -screen 0 1280x800x24 >/dev/null 2>&1 &
  XVFB_PID=$!
  sleep 1
fi
vorlane_make_prefix "$PREFIX" x11
# The prefix may have been made for the null driver before: use the real display here.
timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1 || true

# The stand-in help runtime, when it is built, is installed into the prefix first.
if [ -x "$ROOT/scripts/standin-install.sh" ]; then
  bash "$ROOT/scripts/standin-install.sh" "$PREFIX" "$BUILD" ${VORLANE_STORE:+--store "$VORLANE_STORE"} || true
fi

EXE="$BUILD/Vorlane.exe"
if [ -n "$XVFB_PID" ]; then
  (timeout 20 wine "$EXE" "$@" >/dev/null 2>&1 &)
  sleep 12
  import -window root "$ROOT/vorlane-screenshot.png" 2>/dev/null && echo "run: screenshot saved to $ROOT/vorlane-screenshot.png"
  vorlane_stop_prefix "$PREFIX"
  kill "$XVFB_PID" 2>/dev/null
else
  exec wine "$EXE" "$@"
fi
