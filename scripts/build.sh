#!/usr/bin/env bash
# Configures and builds both Windows architectures with their tests: i686 (the release) and x86_64.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for arch in x86_64 i686; do
  cmake -S "$root" -B "$root/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZELMICA_TESTS=ON >/dev/null
  cmake --build "$root/build/$arch" -j"$(nproc)"
done
