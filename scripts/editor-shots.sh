#!/usr/bin/env bash
# Screenshots of the editor on a type-scored file (tools/demo/type-example.qst, the help's worked
# example): 採点の方法, the question dialog with its type field, and 結果の確認, at 100 % and 200 %,
# each window cut out of an Xvfb screen and reduced to 64 colours. Usage: editor-shots.sh [OUTDIR]
# (default build/editor-shots). The prefix's DPI is put back to 96 at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x86_64"
out=${1:-$build/editor-shots}
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
mkdir -p "$out"
cmake --build "$build" -j2 --target zeledit window_command >/dev/null

# Ids of zeledit/resource.h.
ID_EDIT_SCORING=40300 ID_QUESTION_MODIFY=40002 IDC_MAIN_RESULT_CHECK=1060 IDC_MAIN_QUESTIONS=1024
IDCANCEL=2 IDC_QUESTION_CANCEL=1039 IDC_MAIN_QUIT=1010

send() { "$WINE" "$build/tools/demo/window_command.exe" "$@" 2>/dev/null | tr -d '\r'; }
cut_out() { # title name
  local r
  r=$(send "$1" rect)
  set -- $r "$2"
  import -window root -crop "${3}x${4}+${1}+${2}" +repage "$out/$5.raw.png"
  convert "$out/$5.raw.png" +dither -colors 64 "PNG8:$out/$5.png"
  rm -f "$out/$5.raw.png"
  echo "  $out/$5.png"
}
dpi() {
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$WINE" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

shots() { # dpi prefix-of-names
  export DISPLAY=:$((90 + $1 / 96))
  Xvfb "$DISPLAY" -screen 0 2400x1800x24 >/dev/null 2>&1 &
  local xvfb=$!
  sleep 2
  zel_wine_start
  dpi "$1"
  "$WINE" "$build/zeledit/zeledit.exe" "$(winepath -w "$root/tools/demo/type-example.qst")" >/dev/null 2>&1 &
  sleep 8
  send "Zelmica" $ID_EDIT_SCORING; sleep 3
  cut_out "採点の方法" "${2}type-scoring"
  send "採点の方法" $IDCANCEL; sleep 1
  send "Zelmica" select $IDC_MAIN_QUESTIONS 1; sleep 1
  send "Zelmica" $ID_QUESTION_MODIFY; sleep 3
  cut_out "設問と解答" "${2}type-question"
  send "設問と解答" $IDC_QUESTION_CANCEL; sleep 1
  send "Zelmica" $IDC_MAIN_RESULT_CHECK; sleep 4
  cut_out "結果の確認" "${2}type-check"
  send "結果の確認" $IDCANCEL; sleep 1
  send "Zelmica" $IDC_MAIN_QUIT; sleep 2
  dpi 96
  zel_wine_stop
  kill "$xvfb" 2>/dev/null || true
}
shots 96 ""
shots 192 "200-"
