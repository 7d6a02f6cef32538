#!/usr/bin/env bash
# The long soak: 100,000 visitor runs (ZEL_SOAK_RUNS; seed ZEL_SOAK_SEED) of the player's main
# window under 64-bit Wine, inside Xvfb when there is no display. Builds the test if needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x86_64"
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
export ZEL_SOAK_RUNS=${ZEL_SOAK_RUNS:-100000}
export ZEL_SOAK_SEED=${ZEL_SOAK_SEED:-20240611}

if [ "${1:-}" != "--inside-x" ]; then
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/x86_64-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DZELMICA_TESTS=ON >/dev/null
  fi
  cmake --build "$build" -j2 --target test_soak >/dev/null
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-x "$@"
  fi
fi
[ "${1:-}" = "--inside-x" ] && shift
cd "$build/tests"
exec /usr/lib/wine/wine64 ./test_soak.exe "$@"
