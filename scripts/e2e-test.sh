#!/usr/bin/env bash
# End to end: the real zelplay.exe under Xvfb with a question file on its command line, one
# diagnosis clicked through with the mouse, then the log checked byte for byte, the result
# screen checked by its pixels and the visit log's row by its cells. Runs the i686 player (the release) and the x86_64 one; an
# architecture may be named as the only argument.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ -z "${ZELMICA_E2E_X:-}" ]; then
  export ZELMICA_E2E_X=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

if [ $# -eq 0 ]; then
  status=0
  for arch in i686 x86_64; do
    if [ "$arch" = i686 ] && ! zel_can_run_i686; then
      echo "e2e $ZEL_I686_SKIP_LINE"
      continue
    fi
    "$0" "$arch" || status=1
  done
  exit $status
fi
arch=$1
build="$root/build/$arch"
zel_wine_arch "$arch"
wine=$WINE

work=$(mktemp -d)
player=
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null || true
  zel_wine_stop
  rm -rf "$work"
}
trap cleanup EXIT
zel_wine_start

cp "$build/zelplay/zelplay.exe" "$work/"
# Two questions: answers 2 then 1 carry 3 and 2 points; H = 6, four rows, band width 1.
printf 'N,通しテスト\r\nQ,朝は得意ですか？,はい,1,とても,3,いいえ,0\r\nQ,夜はどうですか？,好き,2,きらい,0\r\nS,結果その一\r\nS,結果その二\r\nS,結果その三\r\nS,結果その四\r\n' |
  iconv -f UTF-8 -t CP932 > "$work/e2e.qst"
cd "$work"
"$wine" zelplay.exe e2e.qst >/dev/null 2>&1 </dev/null &
player=$!

locate() { "$wine" "$build/tools/demo/demo_locate.exe" "$1" 2>/dev/null | tr -d '\r'; }
click() {
  local xy
  xy=$(locate "$1")
  [ -n "$xy" ] || { echo "e2e $arch: the player window did not appear" >&2; exit 1; }
  # shellcheck disable=SC2086
  xdotool mousemove $xy click 1
  sleep 1
}
locate 0 >/dev/null
sleep 1
click 0    # the file's title
click 1    # とても, 3 points
click 0    # 好き, 2 points: the result
import -window root "$work/result.png"
read -r cx cy cw ch < <(locate client)

expected=$(printf '問題1, 設問1, 回答2, 得点3\r\n問題1, 設問2, 回答1, 得点2\r\n得点合計, , , ,5\r\n' | iconv -f UTF-8 -t CP932 | od -An -tx1)
actual=$(od -An -tx1 "$work/zelm.csv")
if [ "$expected" != "$actual" ]; then
  echo "e2e $arch: log differs:" >&2
  iconv -f CP932 -t UTF-8 "$work/zelm.csv" >&2 || true
  exit 1
fi

# Total 5 of 6 lies in the first band: the title is drawn white on the green background.
w10=$((cw / 10)); h10=$((ch / 10))
bg=$(convert "$work/result.png" -format "%[pixel:p{$((cx + 3)),$((cy + ch - 3))}]" info:)
white=$(convert "$work/result.png" -crop "$((cw - 2 * w10))x$((3 * h10))+$((cx + w10))+$((cy + 2 * h10))" +repage \
  -fill black +opaque white -fill white -opaque white -format "%[fx:mean*w*h]" info:)
case "$bg" in
  "srgb(0,160,0)"|"rgb(0,160,0)") ;;
  *) echo "e2e $arch: background is $bg, not RGB(0,160,0)" >&2; exit 1 ;;
esac
if [ "${white%.*}" -lt 100 ]; then
  echo "e2e $arch: no title text in the text area ($white white pixels)" >&2
  exit 1
fi

# 戻る ends the visit: its one row goes to the visit log beside the answer log, which stays as it was.
click 5
visits=$(ls "$work"/visits-*.csv 2>/dev/null || true)
row=$( [ -n "$visits" ] && iconv -f CP932 -t UTF-8 "$visits" | sed -n '2p' | tr -d '\r')
if ! [[ "$row" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2},[0-9]{2}:[0-9]{2}:[0-9]{2},[0-9]{2}:[0-9]{2}:[0-9]{2},[0-9]+,[^,]+,,1,通しテスト,5,結果その一,完了,,2,3,1,2$ ]] ||
  [ "$expected" != "$(od -An -tx1 "$work/zelm.csv")" ]; then
  echo "e2e $arch: visit log row not as expected: ${row:-<none>}" >&2
  exit 1
fi
echo "e2e $arch: log lines, visit row and result screen as expected ($white title pixels)"

# The sample set as installed (sample.set beside sample\), moved to a folder away from the player
# and from the current folder: everything it names is found beside the file that names it.
kill "$player" 2>/dev/null || true
wait "$player" 2>/dev/null || true
moved="$work/moved/イベント"
mkdir -p "$moved" "$work/elsewhere"
cp -R "$root/sample" "$moved/sample"
mv "$moved/sample/sample.set" "$moved/sample.set"
# A set that names no log folder logs beside the player; that folder is emptied first.
rm -f "$work"/visits-*.csv "$work"/zelm*.csv
cd "$work/elsewhere"
"$wine" "$work/zelplay.exe" "Z:$(tr / '\\' <<<"$moved")\\sample.set" >/dev/null 2>&1 </dev/null &
player=$!
locate 0 >/dev/null
sleep 2
import -window root "$work/moved-start.png"
click 0    # the first quiz of the set
for _ in 1 2 3 4 5 6; do click 0; done
click 5    # 戻る
visits=$(ls "$work"/visits-*.csv "$moved"/visits-*.csv 2>/dev/null | head -1 || true)
row=$( [ -n "$visits" ] && iconv -f CP932 -t UTF-8 "$visits" | sed -n '2p' | tr -d '\r')
if ! [[ "$row" =~ ,sample\.set,1,どうぶつタイプ診断,[0-9]+,[^,]+,完了, ]]; then
  echo "e2e $arch: the moved sample set did not play its first quiz: ${row:-<no visit row>}" >&2
  exit 1
fi
echo "e2e $arch: the sample set moved to $(basename "$moved") played there: ${row#*sample.set,}"
