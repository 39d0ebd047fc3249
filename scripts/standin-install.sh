#!/bin/bash
# Installs the stand-in help runtime into a Wine prefix.
#   scripts/standin-install.sh PREFIX [StandinSetup options...]
# PREFIX is a prefix name (as for scripts/wine.sh: /tmp/vorlane-prefix-NAME) or an absolute path.
# The build folder is $VORLANE_BUILD (default build). Options: see standin/README.md.
set -eu
name="${1:?usage: standin-install.sh PREFIX [options]}"; shift
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
dist="$build/standin/dist"
[ -f "$dist/StandinSetup.exe" ] || { echo "no stand-in build in $dist (cmake --build $build --target standin)" >&2; exit 1; }
case "$name" in /*) prefix="$name" ;; *) prefix="/tmp/vorlane-prefix-$name" ;; esac
vorlane_make_prefix "$prefix" "${VORLANE_DRIVER:-null}"
out="$(mktemp)"
# Output goes to a file: wine's helper processes keep a pipe open until the wineserver ends.
timeout 120 wine "$dist/StandinSetup.exe" "$@" >"$out" 2>&1 && rc=0 || rc=$?
cat "$out"; rm -f "$out"
exit $rc
