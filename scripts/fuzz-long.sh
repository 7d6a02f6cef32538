#!/usr/bin/env bash
# Long fuzz run of the file and picture loaders under 64-bit Wine: 200,000 inputs per loader with a
# fixed seed, niced. --heap turns on Wine's heap checking (warn+heap: the heap's parameters are
# checked on every call) and counts what it reports; --heap-all validates the whole heap on every
# call (+heap), about fifty times slower, so give it a smaller --count.
# Usage: scripts/fuzz-long.sh [--heap|--heap-all] [fuzz_loaders options, e.g. --count N --only jpeg]
# Failing inputs and the logs go to $FUZZ_OUT (default build/fuzz-long); $FUZZ_EXE names another driver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
heap=0 mode=--plain
case "${1:-}" in
  --heap) heap=1 mode=$1; shift ;;
  --heap-all) heap=2 mode=$1; shift ;;
  --plain) shift ;;
esac
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
case $heap in
  1) export WINEDEBUG=-all,warn+heap,err+heap ;;
  2) export WINEDEBUG=-all,+heap ;;
  *) export WINEDEBUG=-all ;;
esac

if [ "${FUZZ_INSIDE_X:-}" != 1 ] && [ -z "${DISPLAY:-}" ]; then
  FUZZ_INSIDE_X=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$mode" "$@"
fi

exe=${FUZZ_EXE:-$root/build/x86_64/tests/fuzz_loaders.exe}
[ -x "$exe" ] || { echo "build the tests first: $exe is missing" >&2; exit 1; }
out=${FUZZ_OUT:-$root/build/fuzz-long}
mkdir -p "$out"
tag=${mode#--}
log=$out/fuzz-$tag.log
wine_log=$out/wine-$tag.log

start=$(date +%s)
set +e
nice -n 10 /usr/lib/wine/wine64 "$exe" --count 200000 --seed 20240601 --out "Z:${out//\//\\}" "$@" \
  2> >(grep -v ':trace:heap:' >"$wine_log") | iconv -f CP932 -t UTF-8 -c | tee "$log"
rc=${PIPESTATUS[0]}
wait || true  # also for the filter of the Wine log
set -e
echo "run took $(( $(date +%s) - start )) s, exit code $rc; log $log"
if [ $heap -ne 0 ]; then
  found=$(grep -cE ':(warn|err):heap' "$wine_log" || true)
  echo "Wine heap checking reported $found lines (in $wine_log)"
  [ "$found" -eq 0 ] || rc=1
fi
exit $rc
