#!/usr/bin/env bash
# The result screen's QR code, read back as a phone would: the sample's result screen is drawn at
# 100 % and 200 % (Wine's LogPixels 96 and 192), and zbarimg must decode exactly the text the
# player filled in. Usage: qr-screen-test.sh [x86_64|i686]
set -euo pipefail
arch=${1:-x86_64}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/$arch"
shot="$build/tools/demo/screen_shot.exe"
[ -f "$shot" ] || { echo "missing $shot: build the screen_shot target first" >&2; exit 1; }
command -v zbarimg >/dev/null || { echo "qr-screen-test: zbarimg is missing (zbar-tools)" >&2; exit 1; }
if [ -z "${ZELMICA_QR_X:-}" ]; then
  export ZELMICA_QR_X=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
zel_wine_arch "$arch"
work=$(mktemp -d)
key='HKCU\Control Panel\Desktop'
restore() {
  "$WINE" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap restore EXIT
cp "$shot" "$work/"
cp -R "$root/sample" "$work/sample"
mv "$work/sample/sample.set" "$work/sample.set"
fail=0
for dpi in 96 192; do
  "$WINE" reg add "$key" /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true  # the DPI is read when the session starts
  mkdir -p "$work/out-$dpi"
  w=$((1024 * dpi / 96)) h=$((768 * dpi / 96))
  (cd "$work" && "$WINE" screen_shot.exe $w $h "out-$dpi" >/dev/null 2>&1 </dev/null) || true
  bmp=$(ls "$work/out-$dpi"/*-3-result-score.bmp 2>/dev/null | head -n 1)
  txt=$(ls "$work/out-$dpi"/*-3-result-qr.txt 2>/dev/null | head -n 1)
  if [ -z "$bmp" ] || [ -z "$txt" ] || [ ! -s "$txt" ]; then
    echo "FAIL $dpi dpi: no result screen or no QR text"; fail=1; continue
  fi
  convert "$bmp" "$work/result-$dpi.png"
  [ -z "${ZELMICA_QR_KEEP:-}" ] || cp "$work/result-$dpi.png" "$ZELMICA_QR_KEEP/"
  got=$(zbarimg --raw -q -Sdisable -Sqrcode.enable "$work/result-$dpi.png" 2>/dev/null || true)
  want=$(cat "$txt")
  if [ "$got" = "$want" ]; then echo "ok   $dpi dpi: $want"; else echo "FAIL $dpi dpi: read '$got', want '$want'"; fail=1; fi
done
wineserver -k 2>/dev/null || true
exit $fail
