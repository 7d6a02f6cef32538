#!/usr/bin/env bash
# A player that crashes comes back: tests/crash_player.exe (the player with a deliberate fault six
# seconds after it starts: a bad pointer, then an uncaught exception, then abort) runs a set under
# Wine; each crash must start a new player with the same set without an error box, three times,
# and then the chain stays down, with the log intact.
# Runs the i686 build (the release) where the kernel can, else x86_64.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
arch=i686
if [ -z "${ZELMICA_CRASH_X:-}" ] && [ -z "${DISPLAY:-}" ]; then
  export ZELMICA_CRASH_X=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
if ! zel_can_run_i686; then
  echo "crash-test $ZEL_I686_SKIP_LINE; x86_64 instead"
  arch=x86_64
fi
build=$root/build/$arch
zel_wine_arch "$arch"
work=$(mktemp -d)
# Players of this run only: a compiler linking crash_player.exe, or another prefix's test, is not one.
our_players() { # prints "pid command line" per player in $WINEPREFIX
  local pid rest
  { pgrep -af 'crash_player\.exe' || true; } | while read -r pid rest; do
    if { tr '\0' '\n' < "/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid $rest"
    fi
  done
}
cleanup() { our_players | while read -r pid _; do kill "$pid" 2>/dev/null || true; done; zel_wine_stop; rm -rf "$work"; return 0; }
trap cleanup EXIT
zel_wine_start

cp "$build/tests/crash_player.exe" "$work/"
printf 'N,落ちても戻る\r\nQ,朝は得意ですか？,はい,1,いいえ,0\r\nQ,夜は？,好き,2\r\nS,結果\r\n' | iconv -f UTF-8 -t CP932 > "$work/q.qst"
printf 'T,再起動テスト\r\nQ,q.qst\r\n' > "$work/k.set"
printf 'old line\r\n' > "$work/zelm.csv"
cd "$work"
"$WINE" crash_player.exe k.set >/dev/null 2>&1 </dev/null &
locate() { "$WINE" "$build/tools/demo/demo_locate.exe" "$1" 2>/dev/null | tr -d '\r'; }
xy=$(locate 0)
[ -n "$xy" ] || { echo "crash-test: the player window did not appear" >&2; exit 1; }
sleep 1
# shellcheck disable=SC2086
xdotool mousemove $(locate 0) click 1
sleep 1
# shellcheck disable=SC2086
xdotool mousemove $(locate 0) click 1   # はい: one answer line before the fault

declare -A seen
with_set=0
for _ in $(seq 1 90); do
  while read -r pid rest; do
    [ -n "$pid" ] || continue
    if [ -z "${seen[$pid]:-}" ]; then
      seen[$pid]=1
      case $rest in *k.set*) with_set=$((with_set + 1)) ;; esac
    fi
  done < <(our_players)
  sleep 0.5
done
failures=0
players=${#seen[@]}
if [ "$players" -eq 4 ] && [ "$with_set" -eq 4 ]; then
  echo "crash-test: ok   the first player and 3 restarts, each with the set; then it stayed down"
else
  echo "crash-test: FAIL $players players seen ($with_set with the set); expected 4" >&2
  failures=1
fi
if [ -n "$(our_players)" ]; then echo "crash-test: FAIL a player still runs" >&2; failures=1; fi
if pgrep -f winedbg >/dev/null; then echo "crash-test: FAIL an error box (winedbg) came up" >&2; failures=1; fi
expected=$(printf 'old line\r\n問題1, 設問1, 回答1, 得点1\r\n' | iconv -f UTF-8 -t CP932 | od -An -tx1)
if [ "$(od -An -tx1 zelm.csv)" = "$expected" ]; then
  echo "crash-test: ok   the log holds the old line and the answer, nothing lost or doubled"
else
  echo "crash-test: FAIL the log is:" >&2; iconv -f CP932 -t UTF-8 zelm.csv >&2 || true
  failures=1
fi
exit $failures
