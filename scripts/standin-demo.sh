#!/bin/bash
# The run command's runtime part: installs the stand-in help runtime (sample store, or the
# large generated one with --large) into a Wine prefix at the real runtime's locations, starts
# its agent, prints the sample catalog's top-level table of contents fetched from the agent,
# and then starts the viewer (build/Vorlane.exe) through the end-to-end probe: it waits for the
# main window, selects a contents node with the keys and opens its topic with Enter, opens the
# debug window with Ctrl+D and prints the debug log's header and the agent's requests. On
# $DISPLAY the viewer keeps running; without one it runs under Xvfb (in a Wine desktop, which
# draws the window frames), a screenshot of the main window is saved, the window is closed
# with WM_CLOSE and the values it saved under "main" are printed.
#   scripts/standin-demo.sh [--large] [--prefix NAME] [--seconds N] [VIEWER ARGS...]
# Arguments that are not options of this script go to Vorlane.exe (e.g. /debug); --seconds is
# how long the windows stay before the screenshot (default 2).
set -eu
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
name=demo; store=sample; seconds=2; viewer_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --large) store=large ;;
    --prefix) name="$2"; shift ;;
    --seconds) seconds="$2"; shift ;;
    *) viewer_args+=("$1") ;;
  esac
  shift
done
prefix="/tmp/vorlane-prefix-$name"
xvfb_pid=""
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  # A free display number, chosen by the server itself.
  displayfile="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x800x24 3>"$displayfile" >/dev/null 2>&1 & xvfb_pid=$!
  for i in $(seq 1 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(tr -d '[:space:]' <"$displayfile")"; rm -f "$displayfile"
fi
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
driver=null; [ -n "${DISPLAY:-}" ] && driver=x11
# The agent listens on a port of this run's own, written as AgentPort for the viewer.
agent_port="$(vorlane_free_port)" || { echo "no free port for the agent" >&2; exit 1; }
VORLANE_DRIVER=$driver "$(dirname "$0")/standin-install.sh" "$prefix" --clean --store "$store" --registry both \
  --port "$agent_port"
vorlane_wine_env "$prefix"
if [ -n "$xvfb_pid" ]; then
  # Xvfb has no window manager: a Wine desktop of the screen's size draws the window frames
  # (caption, borders). It takes effect for the next wineserver session of the prefix.
  timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Vorlane /f >/dev/null 2>&1 || true
  timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Vorlane /d 1280x800 /f >/dev/null 2>&1 || true
  timeout 30 wineserver -k >/dev/null 2>&1 || true
fi
approot='C:\Program Files\Microsoft Help Viewer\v1.0'
trace="$prefix/drive_c/standin-agent-trace.log"; rm -f "$trace"
requests="$prefix/drive_c/standin-agent-requests.log"; rm -f "$requests"
STANDIN_AGENT_TRACE='C:\standin-agent-trace.log' STANDIN_AGENT_LOG='C:\standin-agent-requests.log' \
  wine "$approot\\HelpLibAgent.exe" >/dev/null 2>&1 &
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
probe="$build/VorlaneProbe.exe"
if [ ! -f "$build/Vorlane.exe" ] || [ ! -f "$probe" ]; then
  echo "(no $build/Vorlane.exe or VorlaneProbe.exe yet: the runtime answered, the viewer is not built)"
  exit 0
fi
# The probe's output goes to a file: the started viewer would keep a pipe open.
out="$(mktemp)"
probe() { timeout 90 wine "$probe" "$@" >"$out" 2>/dev/null; local rc=$?; tr -d '\r' <"$out"; return $rc; }
pid=$(probe start "$build/Vorlane.exe" ${viewer_args[@]+"${viewer_args[@]}"}) || { echo "Vorlane.exe did not start"; exit 1; }
stop_viewer() { probe kill "$pid" >/dev/null || true; }
if ! probe wait-window "$pid" TVMainForm.UnicodeClass --visible --timeout 60000 >/dev/null; then
  echo "Vorlane's main window did not show"; stop_viewer; exit 1
fi
echo "Vorlane is running (process $pid): $(probe text "$pid" TVMainForm.UnicodeClass)"
# The contents page (Ctrl+1 also focuses the tree) once the tree has its nodes: the third
# node is selected and its topic opened with Enter.
for i in $(seq 1 100); do
  [ -n "$(probe items "$pid" TVMainForm.UnicodeClass TTntTreeView.UnicodeClass)" ] && break; sleep 0.2
done
echo "Contents: selecting the third node and pressing Enter."
probe keys "$pid" TVMainForm.UnicodeClass ctrl+1 down down enter >/dev/null || echo "(the keys did not reach it)"
if [ -n "$xvfb_pid" ]; then
  # The whole main window, before the debug window covers a part of it.
  sleep "$seconds"
  shot="$VORLANE_ROOT/vorlane-screenshot.png"
  command -v import >/dev/null && import -window root "$shot" && echo "screenshot: $shot"
fi
echo "Ctrl+D opens the debug window."
probe keys "$pid" TVMainForm.UnicodeClass ctrl+d >/dev/null &&
  probe wait-window "$pid" TDebugForm.UnicodeClass --visible --timeout 20000 >/dev/null ||
  echo "(the debug window did not show)"
echo "Debug log header:"
probe text "$pid" TDebugForm.UnicodeClass TTntMemo.UnicodeClass >"$out.log" 2>/dev/null || true
awk '{ print } /^=+$/ && length($0) >= 80 && ++rules == 2 { exit }' "$out.log"
echo "Opened:"; grep -a '>> GotoUrl: ' "$out.log" | sed 's/^.*>> GotoUrl: /  /' || true
rm -f "$out.log"
echo "The agent's requests:"; tr -d '\r' <"$requests" 2>/dev/null | sed 's/^/  /' || true
if [ -n "$xvfb_pid" ]; then
  # Esc hides the debug window again (it would otherwise be saved as showing), then the main
  # window is closed as the system closes it: it saves its settings on the way out.
  probe keys "$pid" TDebugForm.UnicodeClass esc >/dev/null || true
  probe post "$pid" TVMainForm.UnicodeClass 0x10 >/dev/null
  if code=$(probe wait-exit "$pid" --timeout 30000); then
    echo "Vorlane closed (exit code $code); the values it wrote under \"main\":"
    timeout 60 wine reg query 'HKCU\Software\Quorvex\Vorlane\main' >"$out" 2>/dev/null || true
    tr -d '\r' <"$out" | sed -n 's/^    \(.*\)    REG_SZ    \(.*\)$/  \1 = \2/p; s/^    \(.*\)    REG_SZ *$/  \1 =/p'
  else
    echo "Vorlane did not end after WM_CLOSE"; stop_viewer
  fi
  timeout 30 wineserver -k || true
else
  echo "Vorlane is running on $DISPLAY (prefix $prefix, process $pid)."
fi
rm -f "$out"
