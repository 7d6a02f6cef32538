#!/usr/bin/env bash
# Runs the x86_64 tests under 64-bit Wine inside Xvfb, with a persistent, warmed wineserver.
# Starts only what is not already running and stops only what it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ "${1:-}" != "--inside-x" ] && [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-x "$@"
fi
[ "${1:-}" = "--inside-x" ] && shift

started_server=0
mkdir -p "$WINEPREFIX"
if ! pgrep -u "$(id -u)" -f "wineserver" >/dev/null; then
  wineserver -p
  started_server=1
fi
cleanup() { [ $started_server -eq 1 ] && wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT
# Warm the prefix so Wine's services do not inherit ctest's pipes.
/usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 </dev/null || true

ctest --test-dir "$root/build/x86_64" --output-on-failure "$@"
