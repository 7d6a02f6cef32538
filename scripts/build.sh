#!/usr/bin/env bash
# Configures and builds both Windows architectures: x86_64 (tested) and i686 (release).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for arch in x86_64 i686; do
  tests=ON; [ "$arch" = i686 ] && tests=OFF
  cmake -S "$root" -B "$root/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZELMICA_TESTS=$tests >/dev/null
  cmake --build "$root/build/$arch" -j"$(nproc)"
done
