#!/bin/bash
# scripts/setup.sh while another package-manager run holds apt's locks: it waits, says so,
# passes apt's lock time-out, and tries apt-get update again when that was refused the lock.
# Runs on the host with stand-ins for dpkg-query, lslocks and apt-get (no root, no packages).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
shim="$(mktemp -d)"
trap 'rm -rf "$shim"' EXIT

cat > "$shim/dpkg-query" <<'S'
#!/bin/bash
for a in "$@"; do [ "$a" = nasm ] && exit 1; done   # one package missing
echo -n "install ok installed"
S
cat > "$shim/lslocks" <<'S'
#!/bin/bash
# The other run holds the dpkg lock for the first two looks.
n=$(cat "$(dirname "$0")/looks" 2>/dev/null || echo 0); echo $((n + 1)) > "$(dirname "$0")/looks"
[ "$n" -lt 2 ] && echo "42 unattended-upgr /var/lib/dpkg/lock-frontend"
echo "7 other /tmp/some.lock"
S
cat > "$shim/apt-get" <<'S'
#!/bin/bash
echo "$*" >> "$(dirname "$0")/apt.log"
if [[ " $* " == *" update "* ]] && [ ! -f "$(dirname "$0")/updated" ]; then
  touch "$(dirname "$0")/updated"   # taken between the look and the update
  echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 43 (apt-get)" >&2
  exit 100
fi
S
chmod +x "$shim"/*

# (setup.sh's later steps, such as libjpeg's build, are done already when the tests run.)
out="$(PATH="$shim:$PATH" bash "$ROOT/scripts/setup.sh" 2>&1)"
rc=$?
fail=0
check() { if ! eval "$1"; then echo "FAILED: $2"; fail=1; fi; }
check '[ "$rc" -eq 0 ]' "setup.sh ended with $rc: $out"
check '[ "$(grep -c "waiting up to" <<<"$out")" -eq 1 ]' "one message while waiting for process 42: $out"
check '[[ "$out" == *"process 42 (unattended-upgr)"* ]]' "the message names the holder: $out"
check '[ "$(grep -c " update" "$shim/apt.log")" -eq 2 ]' "update tried again after the lock was refused: $(cat "$shim/apt.log")"
check '! grep -v -q "DPkg::Lock::Timeout=" "$shim/apt.log"' "every apt-get run has apt's lock time-out: $(cat "$shim/apt.log")"
check 'grep -q "install .*nasm" "$shim/apt.log"' "the missing package installed: $(cat "$shim/apt.log")"
[ "$fail" -eq 0 ] && echo "setup lock test: passed"
exit "$fail"
