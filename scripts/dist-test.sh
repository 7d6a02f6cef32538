#!/usr/bin/env bash
# The 配布フォルダー with the real zelplay.exe under Xvfb: a kiosk starts with the set of a
# distribution folder and plays its local copy; during a visit the set there is first replaced by
# a half-written file (never applied, reported in the status file) and then by a new set; the
# visit ends with the old set, the next visitor gets the new one. Looks every 2 s (/distcheck:2).
# Then a second player on the same PC (/kiosk:出口) starts from a broken share of its own: no box,
# the status says why, the mended set comes in, and neither player touches the other's copies.
# x86_64 unless an architecture is named.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ -z "${ZELMICA_DIST_X:-}" ]; then
  export ZELMICA_DIST_X=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
arch=${1:-x86_64}
build="$root/build/$arch"
zel_wine_arch "$arch"
wine=$WINE

work=$(mktemp -d)
player=
player2=
# This prefix's own copies start empty (the first set comes from the share) and go at the end:
# another run must not start with a copy of this one.
local_dist="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Zelmica/dist"
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null || true
  [ -n "$player2" ] && kill "$player2" 2>/dev/null || true
  zel_wine_stop
  rm -rf "$work" "$local_dist"
}
trap cleanup EXIT
zel_wine_start
fail() { echo "dist $arch: $*" >&2; exit 1; }
rm -rf "$local_dist"

mkdir -p "$work/kiosk" "$work/share/dist"
cp "$build/zelplay/zelplay.exe" "$work/kiosk/"
dist="$work/share/dist"
win_dist="Z:$(tr / '\\' <<<"$dist")"
sjis() { iconv -f UTF-8 -t CP932; }
# Version A: answers carry 1 point; version B: 7 points. One question each.
printf 'N,クイズA\r\nQ,どちら？,はい,1,いいえ,1\r\nS,結果A\r\n' | sjis >"$dist/q.qst"
printf 'T,版A\r\nQ,q.qst\r\nDISTDIR,%s\r\n' "$win_dist" | sjis >"$dist/event.set"

cd "$work/kiosk"
"$wine" zelplay.exe /status:2 /distcheck:2 "$win_dist\\event.set" >/dev/null 2>&1 </dev/null &
player=$!

locate() { "$wine" "$build/tools/demo/demo_locate.exe" "$1" 2>/dev/null | tr -d '\r'; }
click() {
  local xy
  xy=$(locate "$1")
  [ -n "$xy" ] || fail "the player window did not appear"
  # shellcheck disable=SC2086
  xdotool mousemove $xy click 1
  sleep 1
}
status() { cat "$work"/kiosk/zelmica-status-*.txt 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r'; }
key() { status | sed -n "s/^$1=//p"; }
# Waits up to $2 seconds for a command to succeed.
wait_for() {
  local what=$1 seconds=$2
  for _ in $(seq "$seconds"); do
    if eval "$what"; then return 0; fi
    sleep 1
  done
  return 1
}

locate 0 >/dev/null
# Each kiosk keeps its copies and record in a folder of its own name.
wait_for 'ls "$local_dist"/*/current.txt >/dev/null 2>&1 && [ -n "$(key SetVersion)" ]' 40 || fail "version A was never put into effect"
version_a=$(key SetVersion)
echo "dist $arch: version A in effect: $version_a"

# A visitor starts version A's quiz.
sleep 4
click 0
# Meanwhile the set in the share is half written: never taken, and said so in the status.
printf 'T,版B\r\nQ,q.q' | sjis >"$dist/event.set"
wait_for '[ -n "$(key UpdateProblem)" ]' 20 || fail "the half-written set was not reported"
echo "dist $arch: half-written set reported: $(key UpdateProblem)"
[ "$(key SetVersion)" = "$version_a" ] || fail "the half-written set changed the version"
# Version B arrives whole; it waits for the start screen.
printf 'N,クイズB\r\nQ,どちら？,はい,7,いいえ,7\r\nS,結果B\r\n' | sjis >"$dist/q.qst"
printf 'T,版B\r\nQ,q.qst\r\nDISTDIR,%s\r\n' "$win_dist" | sjis >"$dist/event.set"
wait_for '[ -n "$(key UpdateWaiting)" ]' 30 || fail "version B was not verified"
echo "dist $arch: version B verified, waiting: $(key UpdateWaiting)"
[ "$(key SetVersion)" = "$version_a" ] || fail "version B was applied during the visit"
[ -z "$(key UpdateProblem)" ] || fail "a problem is still reported: $(key UpdateProblem)"

click 0    # はい: the visit ends with version A (1 point)
click 5    # 戻る: back to the start screen
wait_for '[ "$(key SetVersion)" != "$version_a" ] && [ -z "$(key UpdateWaiting)" ]' 20 ||
  fail "version B was not put into effect on the start screen"
version_b=$(key SetVersion)
echo "dist $arch: version B in effect: $version_b"
import -window root "$work/start-b.png"
sleep 4
click 0
click 0
click 5

expected=$(printf '問題1, 設問1, 回答1, 得点1\r\n得点合計, , , ,1\r\n問題1, 設問1, 回答1, 得点7\r\n得点合計, , , ,7\r\n' | sjis | od -An -tx1)
[ "$expected" = "$(od -An -tx1 "$work/kiosk/zelm.csv")" ] ||
  { iconv -f CP932 -t UTF-8 "$work/kiosk/zelm.csv" >&2; fail "the log does not show A then B"; }
visits=$(iconv -f CP932 -t UTF-8 "$work"/kiosk/visits-*.csv | tr -d '\r')
grep -q ',クイズA,1,結果A,完了,' <<<"$visits" && grep -q ',クイズB,7,結果B,完了,' <<<"$visits" ||
  { echo "$visits" >&2; fail "the visit log does not show A then B"; }
[ "$(ls -d "$local_dist"/*/set-* | wc -l)" -le 2 ] || fail "old copies were not cleared"
echo "dist $arch: the visit ended with version A, the next visitor got version B; the half-written set was never applied"

# A restart (as after a power cut) while the share is away: the same command line plays version
# B from the local copy, and the status says the share cannot be reached.
kill "$player" 2>/dev/null || true
wait "$player" 2>/dev/null || true
rm -f "$work"/kiosk/zelmica-status-*.txt
mv "$dist" "$dist.away"
"$wine" zelplay.exe /status:2 /distcheck:2 "$win_dist\\event.set" >/dev/null 2>&1 </dev/null &
player=$!
wait_for '[ -n "$(key UpdateProblem)" ]' 30 || fail "the unreachable share was not reported after the restart"
[ "$(key SetVersion)" = "$version_b" ] || fail "the restart did not keep version B: $(key SetVersion)"
import -window root "$work/restart-b.png"
if [ -n "${ZELMICA_DIST_SHOTS:-}" ]; then cp "$work/start-b.png" "$work/restart-b.png" "$ZELMICA_DIST_SHOTS/"; fi
echo "dist $arch: restarted without the share: version B plays on ($(key UpdateProblem))"

# A second player under the same Windows user, its share's set broken (its question file
# missing) and no copy of its own yet: no box in front of visitors, the status says why.
mkdir -p "$work/kiosk2" "$work/share/dist2"
cp "$build/zelplay/zelplay.exe" "$work/kiosk2/"
dist2="$work/share/dist2"
win_dist2="Z:$(tr / '\\' <<<"$dist2")"
printf 'T,出口\r\nQ,q2.qst\r\nDISTDIR,%s\r\n' "$win_dist2" | sjis >"$dist2/exit.set"
first_copies=$(ls -d "$local_dist"/*/set-*)
cd "$work/kiosk2"
"$wine" zelplay.exe /kiosk:出口 /status:2 /distcheck:2 "$win_dist2\\exit.set" >/dev/null 2>&1 </dev/null &
player2=$!
key2() { cat "$work"/kiosk2/zelmica-status-*.txt 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' | sed -n "s/^$1=//p"; }
wait_for '[ -n "$(key2 UpdateProblem)" ]' 30 || fail "the second player's broken share was not reported"
echo "dist $arch: second player, broken share: $(key2 UpdateProblem)"
sleep 2
if xdotool search --name "File Open Error" >/dev/null 2>&1; then fail "a box stands in front of the second player's visitors"; fi
printf 'N,クイズC\r\nQ,どちら？,はい,3,いいえ,3\r\nS,結果C\r\n' | sjis >"$dist2/q2.qst"
wait_for '[ -n "$(key2 SetVersion)" ] && [ -z "$(key2 UpdateProblem)" ]' 30 || fail "the mended share's set was not taken"
[ -f "$local_dist/出口/current.txt" ] || fail "the second player has no record of its own"
[ "$(ls -d "$local_dist"/*/set-* | grep -v '/出口/')" = "$first_copies" ] || fail "the second player touched the first one's copies"
[ "$(key SetVersion)" = "$version_b" ] || fail "the first player lost version B"
echo "dist $arch: second player took its mended set ($(key2 SetVersion)); the first player's copies stayed"
