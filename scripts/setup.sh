#!/usr/bin/env bash
# Installs everything the cross build and the Wine test run need on a Debian 12 machine.
# Idempotent: each step checks first and does nothing when its result is already there.
set -euo pipefail

PREFIX_ROOT=${ZELMICA_DEPS:-/opt/zelmica-deps}
PKGS=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 cmake make
      wine64 xvfb xauth locales fonts-ipafont dpkg-dev xdotool imagemagick googletest
      python3 nsis zip unzip nasm chromium ccache x11-utils
      zbar-tools poppler-utils cups printer-driver-cups-pdf)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# A mirror in the middle of a sync can serve one index of the wrong size: try the update a few
# times, then go on with what apt has, remembering the indexes that failed for the message below.
STALE_INDEXES=""
apt_update() {
  local try out
  for try in 1 2 3; do
    if out=$(as_root apt-get update -qq 2>&1); then STALE_INDEXES=""; return 0; fi
    STALE_INDEXES=$(printf '%s\n' "$out" | sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p')
    [ "$try" -lt 3 ] && sleep $((try * 10))
  done
  echo "setup: apt-get update failed; going on with the package lists apt has. It said:" >&2
  printf '%s\n' "$out" | grep '^E:' >&2 || true
  return 0
}
apt_install() {
  if ! as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@"; then
    if [ -n "$STALE_INDEXES" ]; then
      echo "setup: the install failed while these package indexes were stale (a mirror mid-sync):" >&2
      printf '  %s\n' $STALE_INDEXES >&2
      echo "setup: run 'apt-get update' again later, then this script again." >&2
    fi
    return 1
  fi
}

I386_PKGS=()
# The release build is 32-bit: wine32 runs it where the kernel executes 32-bit programs.
if bash "$(dirname "$0")/can-run-i386.sh"; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    apt_update
  fi
  I386_PKGS=(wine32:i386)
fi

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}
missing=($(missing_of "${PKGS[@]}"))
missing32=($(missing_of ${I386_PKGS[@]+"${I386_PKGS[@]}"}))
if [ $((${#missing[@]} + ${#missing32[@]})) -gt 0 ]; then
  apt_update
  [ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"
  # A stale i386 index leaves the 32-bit libraries a version behind their 64-bit twins, which
  # apt cannot install side by side: the rest of the set-up goes on, and the i686 runs say so.
  if [ ${#missing32[@]} -gt 0 ] && ! apt_install "${missing32[@]}"; then
    echo "setup: going on without the 32-bit Wine; the i686 test runs will say they were not run." >&2
  fi
fi

# Code page 932 under Wine needs the Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# Native libraries, cross-built statically per architecture from Debian's sources into
# $PREFIX_ROOT/<arch>: libjpeg-turbo with its SIMD code (nasm; the .simd marker tells it from an
# older build without), zlib and libpng.
have_jpeg() { [ -f "$PREFIX_ROOT/$1/lib/libjpeg.a" ] && [ -f "$PREFIX_ROOT/$1/.simd" ]; }
have_png() { [ -f "$PREFIX_ROOT/$1/lib/libpng16.a" ] && [ -f "$PREFIX_ROOT/$1/lib/libz.a" ]; }
need=0
for arch in x86_64 i686; do
  have_jpeg "$arch" && have_png "$arch" || need=1
done
if [ $need -eq 1 ]; then
  src_list=/etc/apt/sources.list.d/zelmica-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list; then
    # The machine's own entries, as source entries.
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | as_root tee "$src_list" >/dev/null
    apt_update
  fi
  work=$(mktemp -d)
  # The newest version whose files can be fetched: a security update's source may not be.
  fetch_source() { # PACKAGE DIR-GLOB -> prints the unpacked folder
    local v
    for v in $(apt-cache showsrc "$1" | awk '/^Version:/ {print $2}' | sort -rV | uniq); do
      (cd "$work" && apt-get source -qq "$1=$v" >/dev/null 2>&1) && break
    done
    find "$work" -maxdepth 1 -type d -name "$2" | head -n 1
  }
  jpeg_src=$(fetch_source libjpeg-turbo 'libjpeg-turbo-*')
  zlib_src=$(fetch_source zlib 'zlib-*')
  png_src=$(fetch_source libpng1.6 'libpng1.6-*')
  for d in "$jpeg_src" "$zlib_src" "$png_src"; do
    [ -n "$d" ] || { echo "setup: could not fetch a library's source" >&2; exit 1; }
  done
  for arch in x86_64 i686; do
    prefix=$PREFIX_ROOT/$arch
    cat > "$work/tc-$arch.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $arch)
set(CMAKE_C_COMPILER $arch-w64-mingw32-gcc-posix)
set(CMAKE_RC_COMPILER $arch-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$arch-w64-mingw32 $prefix)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
TC
    if ! have_jpeg "$arch"; then
      cmake -S "$jpeg_src" -B "$work/jpeg-$arch" -DCMAKE_TOOLCHAIN_FILE="$work/tc-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
        -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
      cmake --build "$work/jpeg-$arch" -j"$(nproc)" >/dev/null
      as_root cmake --install "$work/jpeg-$arch" >/dev/null
      as_root touch "$prefix/.simd"
    fi
    if ! have_png "$arch"; then
      # zlib's own build wants a resource file Debian's source leaves out: its C files suffice.
      mkdir -p "$work/zlib-$arch"
      for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
        "$arch-w64-mingw32-gcc-posix" -O2 -c "$zlib_src/$f.c" -o "$work/zlib-$arch/$f.o"
      done
      as_root mkdir -p "$prefix/lib" "$prefix/include"
      as_root "$arch-w64-mingw32-ar" rcs "$prefix/lib/libz.a" "$work/zlib-$arch"/*.o
      as_root cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$prefix/include/"
      cmake -S "$png_src" -B "$work/png-$arch" -DCMAKE_TOOLCHAIN_FILE="$work/tc-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
        -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
        -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
      cmake --build "$work/png-$arch" -j"$(nproc)" >/dev/null
      as_root cmake --install "$work/png-$arch" >/dev/null
    fi
  done
  rm -rf "$work"
fi
# Nayuki's QR code generator (Debian's qr-code-generator): its C library is one file, built
# straight into a static library beside zlib.
have_qr() { [ -f "$PREFIX_ROOT/$1/lib/libqrcodegen.a" ] && [ -f "$PREFIX_ROOT/$1/include/qrcodegen.h" ]; }
if ! have_qr x86_64 || ! have_qr i686; then
  src_list=/etc/apt/sources.list.d/zelmica-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | as_root tee "$src_list" >/dev/null
    apt_update
  fi
  work=$(mktemp -d)
  qr_src=""
  for v in $(apt-cache showsrc qr-code-generator | awk '/^Version:/ {print $2}' | sort -rV | uniq); do
    (cd "$work" && apt-get source -qq "qr-code-generator=$v" >/dev/null 2>&1) && break
    ls "$work"/qr-code-generator_*.orig.tar.* >/dev/null 2>&1 && break
  done
  # The upstream tarball alone carries the library: unpack it when Debian's packaging part is missing.
  qr_src=$(find "$work" -maxdepth 1 -type d -name 'qr-code-generator-*' | head -n 1)
  if [ -z "$qr_src" ]; then
    tarball=$(find "$work" -maxdepth 1 -name 'qr-code-generator_*.orig.tar.*' | head -n 1)
    [ -z "$tarball" ] || { tar -xf "$tarball" -C "$work"; qr_src=$(find "$work" -maxdepth 1 -type d -iname 'qr-code-generator-*' | head -n 1); }
  fi
  [ -n "$qr_src" ] && [ -f "$qr_src/c/qrcodegen.c" ] || { echo "setup: could not fetch the QR library's source" >&2; exit 1; }
  for arch in x86_64 i686; do
    have_qr "$arch" && continue
    prefix=$PREFIX_ROOT/$arch
    "$arch-w64-mingw32-gcc-posix" -std=c99 -O2 -c "$qr_src/c/qrcodegen.c" -o "$work/qrcodegen-$arch.o"
    as_root mkdir -p "$prefix/lib" "$prefix/include"
    as_root rm -f "$prefix/lib/libqrcodegen.a"
    as_root "$arch-w64-mingw32-ar" rcs "$prefix/lib/libqrcodegen.a" "$work/qrcodegen-$arch.o"
    as_root cp "$qr_src/c/qrcodegen.h" "$prefix/include/"
  done
  rm -rf "$work"
fi
echo "setup: all dependencies present (libjpeg, zlib, libpng and qrcodegen under $PREFIX_ROOT)"
