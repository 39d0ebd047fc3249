#!/bin/bash
# Installs what building and testing Vorlane needs on a fresh Debian 12 machine (as root).
# Does nothing when everything is there already.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

need=()
pkgs=(g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 wine64 xvfb xauth x11-apps imagemagick
      fonts-wine fonts-dejavu-core python3-fonttools cmake googletest nasm dpkg-dev)
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in "${pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  vorlane_apt_get update -qq
  vorlane_apt_get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Optional deps of later parts (libjpeg, benchmark references) install through their own scripts.
for extra in "$(dirname "$0")"/setup-*.sh; do
  [ -f "$extra" ] && bash "$extra"
done
exit 0
