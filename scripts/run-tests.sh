#!/usr/bin/env bash
# Runs the whole test suite on both architectures inside Xvfb: the x86_64 build under wine64 and
# the i686 build (the one users get) under the 32-bit loader, each in its own prefix with a
# persistent, warmed wineserver. Starts only what is not already running and stops only what it
# started. Arguments go to both ctest runs. ZELMICA_ARCHS narrows the architectures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ "${1:-}" != "--inside-x" ] && [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-x "$@"
fi
[ "${1:-}" = "--inside-x" ] && shift

trap zel_wine_stop EXIT
failed=()
for arch in ${ZELMICA_ARCHS:-x86_64 i686}; do
  if [ "$arch" = i686 ] && ! zel_can_run_i686; then
    echo "$ZEL_I686_SKIP_LINE"
    continue
  fi
  zel_wine_arch "$arch"
  zel_wine_start
  echo "== $arch tests (prefix $WINEPREFIX)"
  ctest --test-dir "$root/build/$arch" --output-on-failure "$@" || failed+=("$arch")
  zel_wine_stop
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "tests failed on: ${failed[*]}" >&2
  exit 1
fi
