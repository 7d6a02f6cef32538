#!/usr/bin/env bash
# Installs everything the cross build and the Wine test run need on a Debian 12 machine.
# Idempotent: each step checks first and does nothing when its result is already there.
set -euo pipefail

PREFIX_ROOT=${ZELMICA_DEPS:-/opt/zelmica-deps}
PKGS=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 cmake make
      wine64 xvfb xauth locales fonts-ipafont dpkg-dev xdotool imagemagick googletest
      python3 nsis zip unzip nasm)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# The release build is 32-bit: wine32 runs it where the kernel executes 32-bit programs.
if bash "$(dirname "$0")/can-run-i386.sh"; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    as_root apt-get update -qq
  fi
  PKGS+=(wine32:i386)
fi

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

# Code page 932 under Wine needs the Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# libjpeg: Debian's libjpeg-turbo source, cross-built statically per architecture with its SIMD
# code (nasm). The marker tells a build with SIMD from an older one without it.
need_jpeg=0
for arch in x86_64 i686; do
  [ -f "$PREFIX_ROOT/$arch/lib/libjpeg.a" ] && [ -f "$PREFIX_ROOT/$arch/.simd" ] || need_jpeg=1
done
if [ $need_jpeg -eq 1 ]; then
  src_list=/etc/apt/sources.list.d/zelmica-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list; then
    # The machine's own entries, as source entries.
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | as_root tee "$src_list" >/dev/null
    as_root apt-get update -qq
  fi
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1 || (cd "$work" && apt-get source libjpeg-turbo))
  src=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
  for arch in x86_64 i686; do
    [ -f "$PREFIX_ROOT/$arch/lib/libjpeg.a" ] && [ -f "$PREFIX_ROOT/$arch/.simd" ] && continue
    cat > "$work/tc-$arch.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $arch)
set(CMAKE_C_COMPILER $arch-w64-mingw32-gcc-posix)
set(CMAKE_RC_COMPILER $arch-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$arch-w64-mingw32)
TC
    cmake -S "$src" -B "$work/build-$arch" -DCMAKE_TOOLCHAIN_FILE="$work/tc-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
      -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DCMAKE_INSTALL_PREFIX="$PREFIX_ROOT/$arch" >/dev/null
    cmake --build "$work/build-$arch" -j"$(nproc)" >/dev/null
    as_root cmake --install "$work/build-$arch" >/dev/null
    as_root touch "$PREFIX_ROOT/$arch/.simd"
  done
  rm -rf "$work"
fi
echo "setup: all dependencies present (libjpeg under $PREFIX_ROOT)"
