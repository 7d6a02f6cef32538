#!/usr/bin/env bash
# Runs the player on the bundled sample set under Wine. With a display it simply starts it; on a
# headless machine it plays one whole diagnosis with scripted mouse clicks inside Xvfb and writes
# screenshots of the start, question and result screens and the resulting log to a folder.
# Usage: demo.sh [--headless] [--out DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x86_64"
out="$root/build/demo/shots"
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
while [ $# -gt 0 ]; do
  case "$1" in
    --headless) headless=1; shift ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--headless] [--out DIR]" >&2; exit 2 ;;
  esac
done
for exe in "$build/zelplay/zelplay.exe" "$build/tools/demo/demo_locate.exe"; do
  [ -f "$exe" ] || { echo "missing $exe: run scripts/build.sh first" >&2; exit 1; }
done

. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine=/usr/lib/wine/wine64

# The program folder as it is installed: programs, help, sample.set next to sample\.
app="$root/build/demo/Zelmica"
rm -rf "$app"
mkdir -p "$app"
cp "$build/zelplay/zelplay.exe" "$app/"
[ -f "$build/zeledit/zeledit.exe" ] && cp "$build/zeledit/zeledit.exe" "$app/"
cp -R "$root/sample" "$app/sample"
mv "$app/sample/sample.set" "$app/sample.set"
for doc in zelplay zeledit; do
  iconv -f UTF-8 -t CP932 "$root/docs/$doc.htm.in" | sed 's/\r*$/\r/' > "$app/$doc.htm"
done

if [ $headless -eq 0 ]; then
  cd "$app"
  exec "$wine" zelplay.exe sample.set
fi

if [ -z "${ZELMICA_DEMO_X:-}" ]; then
  export ZELMICA_DEMO_X=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --headless --out "$out"
fi

mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.csv
started_server=0
if ! pgrep -u "$(id -u)" -f wineserver >/dev/null; then
  wineserver -p
  started_server=1
fi
"$wine" cmd /c exit >/dev/null 2>&1 </dev/null || true

cd "$app"
"$wine" zelplay.exe sample.set >/dev/null 2>&1 </dev/null &
player=$!
cleanup() {
  kill "$player" 2>/dev/null || true
  [ $started_server -eq 1 ] && wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

locate() { "$wine" "$build/tools/demo/demo_locate.exe" "$1" 2>/dev/null | tr -d '\r'; }
shot() { sleep 1.5; import -window root "$out/$1.png"; echo "  $out/$1.png"; }
click() {
  local xy
  xy=$(locate "$1")
  [ -n "$xy" ] || { echo "the player window did not appear" >&2; exit 1; }
  # shellcheck disable=SC2086
  xdotool mousemove $xy click 1
}

locate 0 >/dev/null
echo "screenshots:"
shot 1-start
click 0  # the first question file of the set
shot 2-question
# Answer every question with its first choice until the result screen shows "戻る".
for n in $(seq 1 12); do
  click 0
  sleep 0.8
  if [ -f "$out/3-result.png" ]; then break; fi
  log=$(ls "$app"/zelm*.csv 2>/dev/null | head -1 || true)
  if [ -n "$log" ] && iconv -f CP932 -t UTF-8 "$log" | grep -q "得点合計"; then
    shot 3-result
  fi
done
[ -f "$out/3-result.png" ] || { echo "no result screen reached" >&2; exit 1; }
click 5  # 戻る
log=$(ls "$app"/zelm*.csv | head -1)
cp "$log" "$out/"
echo "log ($(basename "$log"), shown as UTF-8):"
iconv -f CP932 -t UTF-8 "$log" | sed 's/\r$//; s/^/  /'
echo "demo output: $out"
