#!/usr/bin/env bash
# Builds the benchmark if needed and runs it under 64-bit Wine (inside Xvfb when there is no
# display); prints the table. Arguments go to the benchmark ("--quick": one repetition, small sizes).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x86_64"
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ "${1:-}" != "--inside-x" ]; then
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/x86_64-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DZELMICA_TESTS=ON >/dev/null
  fi
  cmake --build "$build" -j2 --target zelbench >/dev/null
  if [ -z "${DISPLAY:-}" ]; then
    # Large enough for the biggest screen measured.
    exec xvfb-run -a -s "-screen 0 3840x2400x24" "$0" --inside-x "$@"
  fi
fi
[ "${1:-}" = "--inside-x" ] && shift
zel_wine_window_mode
cd "$build/bench"
exec /usr/lib/wine/wine64 ./zelbench.exe "$@"
