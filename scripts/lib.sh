# Shared shell functions of the project's scripts (sourced, not run).

VORLANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Environment every wine command runs with.
vorlane_wine_env() {
  export WINEPREFIX="$1"
  export WINEARCH=win64
  export WINEDEBUG="${WINEDEBUG:--all,err+winediag}"
  export WINEDLLOVERRIDES="mscoree=;mshtml="
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
}

# Makes a Wine prefix at $1 when it is not there yet: fonts linked, the chosen graphics
# driver ($2: "null" or "x11", default null), no browser-engine or .NET prompts, and a
# program that crashes ends after Wine's debugger has written its backtrace to stderr (the
# debugger's crash dialog would wait without end where nobody sees it).
vorlane_make_prefix() {
  local prefix="$1" driver="${2:-null}"
  vorlane_wine_env "$prefix"
  if [ -f "$prefix/.vorlane-ready" ]; then return 0; fi
  mkdir -p "$prefix"
  timeout 180 wineboot -i >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  local fonts="$prefix/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  for f in $(dpkg -L fonts-wine 2>/dev/null | grep -iE '\.(ttf|ttc|otf)$'); do
    ln -sf "$f" "$fonts/" 2>/dev/null || true
  done
  for f in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc; do
    [ -f "$f" ] && ln -sf "$f" "$fonts/" 2>/dev/null || true
  done
  # Hebrew letters in the interface fonts (Wine draws Hebrew text from the chosen font alone).
  local dejavu=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
  for f in tahoma tahomabd ms_sans_serif; do
    local wine_font; wine_font="$(dpkg -L fonts-wine 2>/dev/null | grep "/$f\.ttf$" | head -1)"
    [ -f "$dejavu" ] && [ -n "$wine_font" ] &&
      /usr/bin/python3 "$VORLANE_ROOT/scripts/add-hebrew-glyphs.py" "$dejavu" "$wine_font" "$fonts/${f}_hebrew.ttf" \
        >/dev/null 2>&1 || true
  done
  local reg="$prefix/vorlane-setup.reg"
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="%s"\r\n\r\n' "$driver"
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
    printf '"Tahoma"=hex(7):44,00,65,00,6a,00,61,00,56,00,75,00,53,00,61,00,6e,00,73,00,2e,00,74,00,74,00,66,00,00,00,00,00\r\n\r\n'
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
  timeout 60 wine regedit /S "$reg" >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  touch "$prefix/.vorlane-ready"
}

# A TCP port on 127.0.0.1 that nothing listens on now, for the agent of one prefix: runs that
# share this machine (tests, the run command, benchmarks) never talk to each other's agents.
vorlane_free_port() {
  local p i
  for i in $(seq 1 200); do
    p=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return 0; fi
  done
  return 1
}

vorlane_stop_prefix() {
  vorlane_wine_env "$1"
  timeout 30 wineserver -k >/dev/null 2>&1 || true
}

# Starts the prefix's wineserver and services with their output detached, so that
# programs run later in a pipeline (or under CTest) do not hand their pipes to them.
vorlane_warm_prefix() {
  vorlane_wine_env "$1"
  wineserver -p "${2:-}" </dev/null >/dev/null 2>&1
  timeout 60 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# The benchmarks' stand-in runtime: the large generated store (50,000 topics, 300,000 keyword
# rows) installed into a prefix ($1: a name as for scripts/wine.sh, or an absolute path), with
# the Wine environment set for that prefix afterwards.
VORLANE_BENCH_AGENT='C:\standin-bench\AppRoot\HelpLibAgent.exe'
VORLANE_BENCH_STORE='C:\standin-bench\Store'
vorlane_bench_store() {
  local prefix
  case "$1" in /*) prefix="$1" ;; *) prefix="/tmp/vorlane-prefix-$1" ;; esac
  "$VORLANE_ROOT/scripts/standin-install.sh" "$prefix" --registry none --store large \
    --approot 'C:\standin-bench\AppRoot' --localstore "$VORLANE_BENCH_STORE" --clean >/dev/null
  vorlane_wine_env "$prefix"
}

# Runs a benchmark program under Wine ($1: seconds allowed, then the program and its
# arguments) and prints its output. The output goes through a file: Wine's helper processes
# keep a pipe open until the wineserver ends.
vorlane_run_bench() {
  local seconds="$1" out; shift
  out="$(mktemp)"
  timeout "$seconds" wine "$@" >"$out" 2>&1 || true
  cat "$out"; rm -f "$out"
}

# apt-get with its arguments, waiting for another package-manager run (a fresh machine's own
# update job, often, right after boot) to let go of apt's and dpkg's locks, up to
# VORLANE_APT_LOCK_WAIT seconds (default 300), and saying so once when it has to wait.
# apt's own lock time-out covers dpkg's lock; apt-get update takes the package lists' lock
# without it, so a run refused that lock is tried again.
vorlane_apt_lock_holder() { # "pid (command)" of a holder of one of the locks, or nothing
  lslocks -n -r -o PID,COMMAND,PATH 2>/dev/null | awk '
    !found && ($3 == "/var/lib/dpkg/lock-frontend" || $3 == "/var/lib/dpkg/lock" ||
                $3 == "/var/lib/apt/lists/lock" || $3 == "/var/cache/apt/archives/lock") {
      print $1 " (" $2 ")"; found = 1 }' || true
}
vorlane_apt_get() {
  local wait="${VORLANE_APT_LOCK_WAIT:-300}" holder err rc said=
  local deadline=$((SECONDS + wait))
  while :; do
    while holder="$(vorlane_apt_lock_holder)" && [ -n "$holder" ] && [ "$SECONDS" -lt "$deadline" ]; do
      if [ -z "$said" ]; then
        echo "apt: another package-manager run, process $holder, holds the package lock;" \
             "waiting up to $wait seconds for it to finish" >&2
        said=1
      fi
      sleep 2
    done
    rc=0
    { err="$(apt-get -o "DPkg::Lock::Timeout=$((deadline > SECONDS ? deadline - SECONDS : 0))" "$@" 2>&1 >&3)" || rc=$?; } 3>&1
    if [ "$rc" -ne 0 ] && [[ "$err" == *"Could not get lock"* ]] && [ "$SECONDS" -lt "$deadline" ]; then
      sleep 2
      continue
    fi
    [ -z "$err" ] || echo "$err" >&2
    return "$rc"
  done
}
