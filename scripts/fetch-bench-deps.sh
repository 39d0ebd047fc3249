#!/bin/bash
# Fetches the reference libraries of the benchmarks from Debian's source packages:
#   scripts/fetch-bench-deps.sh DEST
# leaves the unpacked pugixml sources in DEST/pugixml (DEST/pugixml/src/pugixml.cpp).
# Idempotent: does nothing when the sources are already there. Needs root for the
# deb-src entry and apt-get update; the benchmarks build without the reference when
# this fails.
set -eu
source "$(dirname "$0")/lib.sh"
dest="${1:?usage: fetch-bench-deps.sh DEST}"
mkdir -p "$dest"
dest="$(cd "$dest" && pwd)"

if [ -f "$dest/pugixml/src/pugixml.cpp" ]; then
  exit 0
fi

# Source entries for the same suites as the binary ones.
srcfile=/etc/apt/sources.list.d/vorlane-deb-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$srcfile"
  else
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' > "$srcfile"
  fi
  vorlane_apt_get update -qq >/dev/null
fi
command -v dpkg-source >/dev/null || vorlane_apt_get install -y -qq dpkg-dev >/dev/null

work="$dest/.pugixml-download"
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && apt-get source --download-only pugixml >/dev/null 2>&1) || {
  vorlane_apt_get update -qq >/dev/null
  (cd "$work" && apt-get source --download-only pugixml >/dev/null)
}
dsc="$(ls "$work"/pugixml_*.dsc | head -n1)"
rm -rf "$dest/pugixml"
dpkg-source --no-check -x "$dsc" "$dest/pugixml" >/dev/null
rm -rf "$work"
test -f "$dest/pugixml/src/pugixml.cpp"
