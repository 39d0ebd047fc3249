#!/bin/bash
# Runs one program under Wine in a per-developer prefix: scripts/wine.sh NAME program.exe [args]
# The prefix /tmp/vorlane-prefix-NAME is made on first use (null graphics driver).
set -u
name="$1"; shift
source "$(dirname "$0")/lib.sh"
prefix="/tmp/vorlane-prefix-$name"
vorlane_make_prefix "$prefix" null
vorlane_warm_prefix "$prefix" 60
exec timeout "${VORLANE_TIMEOUT:-600}" wine "$@"
