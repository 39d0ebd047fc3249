#!/bin/bash
# Builds libjpeg (libjpeg-turbo, library version 62) for 32-bit Windows from Debian's source
# package into a prefix outside the source tree; the top-level CMakeLists.txt links `vcl`
# against it. Does nothing when the prefix holds the expected build already.
#
#   VORLANE_LIBJPEG_DIR  install prefix (default $HOME/.cache/vorlane/libjpeg-i686)
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/lib.sh"
PREFIX="${VORLANE_LIBJPEG_DIR:-$HOME/.cache/vorlane/libjpeg-i686}"
WORK="$(dirname "$PREFIX")/libjpeg-src"
STAMP="$PREFIX/.vorlane-libjpeg"
WANT="libjpeg-turbo 2.1.5 i686 static simd"

if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$WANT" ] && [ -f "$PREFIX/lib/libjpeg.a" ] \
   && [ -f "$PREFIX/include/jpeglib.h" ]; then
  exit 0
fi

echo "setup-libjpeg: building $WANT into $PREFIX"

# Source entries: add deb-src twins of the Debian entries when there are none.
has_src() {
  grep -rqsE '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}
if ! has_src; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/vorlane-deb-src.sources
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb[[:space:]]' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      > /etc/apt/sources.list.d/vorlane-deb-src.list
  fi
  vorlane_apt_get update -qq
fi

command -v dpkg-source >/dev/null || vorlane_apt_get install -y -qq --no-install-recommends dpkg-dev >/dev/null
command -v nasm >/dev/null || vorlane_apt_get install -y -qq --no-install-recommends nasm >/dev/null

rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"
if ! apt-get source --download-only libjpeg-turbo >/dev/null 2>&1; then
  vorlane_apt_get update -qq
  apt-get source --download-only libjpeg-turbo >/dev/null
fi
dsc=$(ls libjpeg-turbo_*.dsc | head -n1)
dpkg-source --no-check -x "$dsc" src >/dev/null

cmake -S src -B build -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DENABLE_SHARED=0 -DENABLE_STATIC=1 -DWITH_TURBOJPEG=0 -DWITH_SIMD=1 -DREQUIRE_SIMD=1 \
  -DWITH_JPEG8=0 -DWITH_JPEG7=0 -DCMAKE_ASM_NASM_COMPILER=nasm >build.log 2>&1 \
  || { tail -n 40 build.log; exit 1; }
cmake --build build -j"$(nproc)" --target jpeg-static >>build.log 2>&1 || { tail -n 40 build.log; exit 1; }
cmake --install build >>build.log 2>&1 || true   # installs what was built (the tools are not needed)

# The install step wants the tools too; put the library and headers in place by hand
# when it stopped early.
mkdir -p "$PREFIX/lib" "$PREFIX/include"
[ -f "$PREFIX/lib/libjpeg.a" ] || cp build/libjpeg.a "$PREFIX/lib/"
for h in jpeglib.h jmorecfg.h jerror.h; do
  [ -f "$PREFIX/include/$h" ] || cp "src/$h" "$PREFIX/include/"
done
[ -f "$PREFIX/include/jconfig.h" ] || cp build/jconfig.h "$PREFIX/include/"

echo "$WANT" > "$STAMP"
echo "setup-libjpeg: done"
