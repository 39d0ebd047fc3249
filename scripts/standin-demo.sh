#!/bin/bash
# The run command's runtime part: installs the stand-in help runtime (sample store, or the
# large generated one with --large) into a Wine prefix at the real runtime's locations, starts
# its agent, prints the sample catalog's top-level table of contents fetched from the agent,
# and then starts the viewer (build/Vorlane.exe) when it exists: on $DISPLAY when set, else
# under Xvfb, saving a screenshot and stopping by itself.
#   scripts/standin-demo.sh [--large] [--prefix NAME] [--seconds N]
set -eu
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
name=demo; store=sample; seconds=20
while [ $# -gt 0 ]; do
  case "$1" in
    --large) store=large ;;
    --prefix) name="$2"; shift ;;
    --seconds) seconds="$2"; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
prefix="/tmp/vorlane-prefix-$name"
xvfb_pid=""
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  Xvfb :57 -screen 0 1280x800x24 >/dev/null 2>&1 & xvfb_pid=$!
  export DISPLAY=:57; sleep 1
fi
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
driver=null; [ -n "${DISPLAY:-}" ] && driver=x11
VORLANE_DRIVER=$driver "$(dirname "$0")/standin-install.sh" "$prefix" --clean --store "$store" --registry both
vorlane_wine_env "$prefix"
approot='C:\Program Files\Microsoft Help Viewer\v1.0'
trace="$prefix/drive_c/standin-agent-trace.log"; rm -f "$trace"
STANDIN_AGENT_TRACE='C:\standin-agent-trace.log' wine "$approot\\HelpLibAgent.exe" >/dev/null 2>&1 &
for i in $(seq 1 300); do grep -q "listening" "$trace" 2>/dev/null && break; sleep 0.1; done
grep -q "listening" "$trace" || { echo "the agent did not start:"; cat "$trace" 2>/dev/null; exit 1; }
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$trace" | tail -1)
pid=$(sed -n 's/.*, pid \([0-9][0-9]*\).*/\1/p' "$trace" | tail -1)
session=1; grep -q "pid required" "$trace" && session="1-$pid"
url="http://127.0.0.1:$port/help/$session/ms.help?product=VS&productVersion=100&locale=en-US&method=children&id=-1&format=xml"
echo "Agent: $(cat "$trace" | tr '\n' ' ')"
echo "GET $url"
http_get() {  # plain HTTP/1.1 GET without extra tools
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n' "${1#http://127.0.0.1:$port}" >&3
  cat <&3; exec 3<&-
}
echo "Top-level table of contents of VS\\100\\en-US:"
http_get "$url" | sed -n 's:.*<topic id="\([^"]*\)"><title>\([^<]*\)</title>.*:  \1  -  \2:p' | sed 's/&amp;/\&/g'
if [ -f "$build/Vorlane.exe" ]; then
  wine "$build/Vorlane.exe" >/dev/null 2>&1 &
  viewer=$!
  if [ -n "$xvfb_pid" ]; then
    sleep "$seconds"
    command -v import >/dev/null && import -window root "$VORLANE_ROOT/standin-demo.png" && echo "screenshot: standin-demo.png"
    kill "$viewer" 2>/dev/null || true
    timeout 30 wineserver -k || true
  else
    echo "Vorlane is running on $DISPLAY (prefix $prefix)."
  fi
else
  echo "(no $build/Vorlane.exe yet: the runtime answered, the viewer is not built)"
fi
