#!/usr/bin/env bash
# Verifies the release packages that scripts/package.sh made: the zip holds the whole release
# (programs, help, README, sample and every file the sample names, in the right encodings),
# and the installer exists and is a Windows program (its contents are listed too when 7z is
# at hand).
#
# usage: check-packages.sh [--out-dir DIR] [--version V] [--no-installer]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/release
version=${ZELMICA_VERSION:-$(head -n 1 "$root/VERSION")}
installer=1
while [ $# -gt 0 ]; do
  case $1 in
    --out-dir) out=$(cd "$2" && pwd); shift 2 ;;
    --version) version=$2; shift 2 ;;
    --no-installer) installer=0; shift ;;
    *) echo "check-packages: unknown argument $1" >&2; exit 2 ;;
  esac
done

failures=0
fail() { echo "check-packages: FAIL $*" >&2; failures=$((failures + 1)); }
ok() { echo "check-packages: ok   $*"; }

required=(Zelmica/zelplay.exe Zelmica/zeledit.exe Zelmica/zelplay.htm Zelmica/zeledit.htm
          Zelmica/README.txt Zelmica/sample.set Zelmica/sample/animal.qst
          Zelmica/sample/season.qst Zelmica/sample/drink.qst)

zipfile=$out/Zelmica-$version.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -s "$zipfile" ]; then
  fail "$zipfile is missing"
else
  unzip -tq "$zipfile" >/dev/null && ok "zip is intact" || fail "zip is damaged"
  listing=$(unzip -Z1 "$zipfile")
  for f in "${required[@]}"; do
    grep -qxF "$f" <<<"$listing" || fail "zip lacks $f"
  done
  grep -qv '^Zelmica/' <<<"$listing" && fail "zip holds files outside Zelmica/"
  # Test builds leave dummies; a release must not carry anything from the build tree itself.
  grep -qE '(^|/)(CMakeFiles|nsis)/|\.(o|a|obj|nsh)$' <<<"$listing" && fail "zip holds build leftovers"
  unzip -q "$zipfile" -d "$work"
  dist=$work/Zelmica
  for exe in zelplay zeledit; do
    f=$dist/$exe.exe
    [ -f "$f" ] || continue
    pe=$(od -An -tu4 -j60 -N4 "$f" | tr -d ' ')
    [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$f" | tr -d ' ')" = 014c ] \
      && ok "$exe.exe is a 32-bit Windows program" || fail "$exe.exe is not a 32-bit Windows program"
    # The version resource Explorer shows: the product, and the version the packages are named by.
    info=$(python3 - "$f" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
def value(key):
    k = (key + '\0').encode('utf-16-le')
    i = data.find(k)
    if i < 0:
        return ''
    j = i + len(k)
    j += (4 - j % 4) % 4
    end = j
    while end + 1 < len(data) and data[end:end + 2] != b'\0\0':
        end += 2
    return data[j:end].decode('utf-16-le', 'replace')
print(value('ProductName') + '|' + value('FileVersion'))
PY
)
    [ "$info" = "診断Zelmica|$version" ] && ok "$exe.exe carries version $version" \
      || fail "$exe.exe version resource is '$info', not '診断Zelmica|$version'"
  done
  for doc in zelplay.htm zeledit.htm README.txt; do
    f=$dist/$doc
    [ -f "$f" ] || continue
    iconv -f CP932 -t UTF-8 "$f" >/dev/null 2>&1 || fail "$doc is not Shift-JIS"
    [ "$(grep -c $'\r$' "$f")" = "$(wc -l < "$f")" ] || fail "$doc has lines without CR LF"
  done
  for doc in zelplay.htm zeledit.htm; do
    f=$dist/$doc
    [ -f "$f" ] || continue
    grep -qi '<meta charset="Shift_JIS">' "$f" || fail "$doc does not declare Shift_JIS"
    # The help must cover what operators ask for; these are the things most easily dropped.
    text=$(iconv -f CP932 -t UTF-8 "$f" 2>/dev/null || true)
    case $doc in
      zelplay.htm) musts=(F11 "Shift + F12" zelm.csv OFFTIMER SetWall "得点合計" "一定時間経過" "コマンドライン") ;;
      zeledit.htm) musts=("~_#\$" "~_#%" RoundUp QuesWall "結果行" "コマンドライン") ;;
    esac
    for m in "${musts[@]}"; do
      grep -qF -- "$m" <<<"$text" || fail "$doc does not mention $m"
    done
  done
  [ "$(grep -c $'\r$' "$dist/sample.set")" = "$(wc -l < "$dist/sample.set")" ] || fail "sample.set lacks CR LF"
  if command -v python3 >/dev/null; then
    if python3 "$root/tools/check_sample.py" "$dist" "$dist/sample.set" >"$work/sample.log" 2>&1; then
      ok "sample in the zip is complete and consistent"
    else
      cat "$work/sample.log" >&2
      fail "sample in the zip"
    fi
  fi
  [ $failures -eq 0 ] && ok "zip $(basename "$zipfile"): $(wc -l <<<"$listing") entries"
fi

if [ $installer -eq 1 ]; then
  setup=$out/Zelmica-$version-setup.exe
  if [ ! -s "$setup" ]; then
    fail "$setup is missing"
  elif [ "$(head -c 2 "$setup")" != MZ ]; then
    fail "$setup is not a Windows program"
  else
    # An installer that packed nothing is small: the compressed sample alone is larger.
    size=$(stat -c %s "$setup")
    [ "$size" -gt 200000 ] && ok "installer $(basename "$setup") ($size bytes)" || fail "installer is only $size bytes"
    grep -qa "Nullsoft" "$setup" || fail "installer carries no NSIS signature"
    seven=$(command -v 7z || command -v 7za || true)
    if [ -n "$seven" ]; then
      inst=$("$seven" l "$setup" 2>/dev/null || true)
      for f in zelplay.exe zeledit.exe zelplay.htm zeledit.htm sample.set animal.qst; do
        grep -q "$f" <<<"$inst" || fail "installer lacks $f"
      done
    else
      echo "check-packages: note 7z not found, installer contents not listed"
    fi
  fi
fi

if [ $failures -gt 0 ]; then
  echo "check-packages: $failures problem(s)" >&2
  exit 1
fi
echo "check-packages: all packages sound"
