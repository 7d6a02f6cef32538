#!/usr/bin/env bash
# Configures and builds both Windows architectures with their tests: i686 (the release) and x86_64.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# ccache, where set-up installed it, makes a rebuild of unchanged files on this machine quick.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
fi
for arch in x86_64 i686; do
  cmake -S "$root" -B "$root/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZELMICA_TESTS=ON "${launcher[@]}" >/dev/null
  cmake --build "$root/build/$arch" -j"$(nproc)"
done
