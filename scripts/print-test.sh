#!/usr/bin/env bash
# The printed result card through a real spooler: CUPS with its PDF printer (cups-pdf) under Wine.
# The sample's card is printed on A5 and on an 80 mm roll (a PPD with roll sizes, made here from
# cups-pdf's own); pdfinfo must show the paper, and zbarimg must read exactly the card's QR text
# from pdftoppm's picture of it. CUPS is started for the check and stopped after it when it was
# not running before. Usage: print-test.sh [x86_64|i686]
set -euo pipefail
arch=${1:-x86_64}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/$arch"
tool="$build/tools/demo/print_card.exe"
[ -f "$tool" ] || { echo "missing $tool: build the print_card target first" >&2; exit 1; }
for t in cupsd lpadmin pdfinfo pdftoppm zbarimg; do
  command -v "$t" >/dev/null || [ -x "/usr/sbin/$t" ] || { echo "print-test: $t is missing (cups, poppler-utils, zbar-tools)" >&2; exit 1; }
done
ppd_in=$(find /usr/share/ppd -name 'CUPS-PDF_opt.ppd' | head -n 1)
[ -n "$ppd_in" ] || { echo "print-test: cups-pdf's PPD is missing (printer-driver-cups-pdf)" >&2; exit 1; }
if [ -z "${ZELMICA_PRINT_X:-}" ]; then
  export ZELMICA_PRINT_X=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
zel_wine_arch "$arch"
work=$(mktemp -d)
printer=ZelmicaCardPDF
cups_pid=""
finish() {
  lpadmin -x "$printer" 2>/dev/null || true
  [ -z "$cups_pid" ] || kill "$cups_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
  /usr/sbin/cupsd -f >"$work/cupsd.log" 2>&1 &
  cups_pid=$!
  for _ in $(seq 50); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.2; done
fi
# Roll papers as receipt printers name them: 80 and 58 mm wide, a card's length.
add_roll() { # NAME WIDTH-PT HEIGHT-PT
  sed -i -e "/^\*PageSize A5\//a *PageSize $1/$1: \"<</PageSize[$2 $3]/ImagingBBox null>>setpagedevice\"" \
    -e "/^\*PageRegion A5\//a *PageRegion $1/$1: \"<</PageSize[$2 $3]/ImagingBBox null>>setpagedevice\"" \
    -e "/^\*ImageableArea A5\//a *ImageableArea $1/$1: \"0 0 $2 $3\"" \
    -e "/^\*PaperDimension A5\//a *PaperDimension $1/$1: \"$2 $3\"" "$work/card.ppd"
}
cp "$ppd_in" "$work/card.ppd"
add_roll Roll80 227 842
add_roll Roll58 164 842
lpadmin -p "$printer" -E -v cups-pdf:/ -P "$work/card.ppd"
out_dir=${HOME}/PDF
mkdir -p "$out_dir"
cp "$tool" "$work/"
cp -R "$root/sample" "$work/sample"
mv "$work/sample/sample.set" "$work/sample.set"
wineserver -k 2>/dev/null || true  # printers are taken from CUPS when the session starts
fail=0
for case in "A5 419.53 595.28" "ROLL80 227 842"; do
  set -- $case
  paper=$1 want_w=$2 want_h=$3
  before=$(date +%s)
  touch "$work/mark"
  if ! (cd "$work" && "$WINE" print_card.exe "$printer" "$paper" "qr-$paper.txt" </dev/null); then
    echo "FAIL $paper: the card did not reach the spooler"; fail=1; continue
  fi
  pdf=""
  for _ in $(seq 100); do
    pdf=$(find "$out_dir" -name '*.pdf' -newer "$work/mark" 2>/dev/null | head -n 1)
    [ -n "$pdf" ] && [ -z "$(lpstat -o "$printer" 2>/dev/null)" ] && break
    sleep 0.2
  done
  [ -n "$pdf" ] || { echo "FAIL $paper: no PDF from cups-pdf"; fail=1; continue; }
  size=$(pdfinfo "$pdf" | sed -n 's/^Page size: *\([0-9.]*\) x \([0-9.]*\).*/\1 \2/p')
  pdftoppm -r 200 -png -singlefile "$pdf" "$work/card-$paper"
  [ -z "${ZELMICA_PRINT_KEEP:-}" ] || cp "$pdf" "$work/card-$paper.png" "$ZELMICA_PRINT_KEEP/"
  got=$(zbarimg --raw -q "$work/card-$paper.png" 2>/dev/null || true)
  want=$(cat "$work/qr-$paper.txt")
  w=${size% *} h=${size#* }
  if awk -v w="$w" -v h="$h" -v a="$want_w" -v b="$want_h" 'BEGIN { exit !((w - a) ^ 2 < 4 && (h - b) ^ 2 < 4) }'; then
    echo "ok   $paper: page $size pt"
  else
    echo "FAIL $paper: page $size pt, want $want_w x $want_h"; fail=1
  fi
  if [ "$got" = "$want" ]; then echo "ok   $paper: QR reads $want"; else echo "FAIL $paper: QR read '$got', want '$want'"; fail=1; fi
  rm -f "$pdf"
done
wineserver -k 2>/dev/null || true
exit $fail
