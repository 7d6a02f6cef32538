#!/usr/bin/env bash
# The built installer under 32-bit Wine in a fresh prefix, as a user would run it: silent install,
# the files and registry it leaves, the installed sample set opened through its association, then
# the silent uninstaller, which must remove exactly what was installed and keep what the operator
# made. usage: installer-test.sh [--out-dir DIR] [--version V]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/release
version=${ZELMICA_VERSION:-$(head -n 1 "$root/VERSION")}
while [ $# -gt 0 ]; do
  case $1 in
    --out-dir) out=$(cd "$2" && pwd); shift 2 ;;
    --version) version=$2; shift 2 ;;
    --inside-x) shift ;;
    *) echo "installer-test: unknown argument $1" >&2; exit 2 ;;
  esac
done
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if ! zel_can_run_i686; then
  echo "installer-test $ZEL_I686_SKIP_LINE"
  exit 0
fi
if [ -z "${ZELMICA_INSTALLER_X:-}" ] && [ -z "${DISPLAY:-}" ]; then
  export ZELMICA_INSTALLER_X=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --out-dir "$out" --version "$version"
fi

setup=$out/Zelmica-$version-setup.exe
dist=$out/Zelmica
[ -s "$setup" ] && [ -d "$dist" ] || { echo "installer-test: run scripts/package.sh first" >&2; exit 1; }

work=$(mktemp -d)
zel_wine_arch i686
export WINEPREFIX=$work/prefix WINEARCH=win64
cleanup() { wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"; }
trap cleanup EXIT
failures=0
fail() { echo "installer-test: FAIL $*" >&2; failures=$((failures + 1)); }
ok() { echo "installer-test: ok   $*"; }
# Runs a Windows program to its end, and everything it started (the uninstaller copies itself
# to a temporary folder and runs from there).
run() { "$WINE" "$@" >/dev/null 2>&1 </dev/null || true; wineserver -w; }
regval() { # KEY [VALUE]: the data of a registry value, empty when absent
  "$WINE" reg query "$1" ${2:+/v "$2"} ${2:-/ve} 2>/dev/null </dev/null | tr -d '\r' |
    LC_ALL=C sed -n 's/^ *[^ ]* *REG_[A-Z_]* *//p' | head -n 1
}

run cmd /c exit
app=$WINEPREFIX/drive_c/Program\ Files\ \(x86\)/Zelmica
winapp='C:\Program Files (x86)\Zelmica'
before=$(cd "$WINEPREFIX/drive_c" && find . | sort)

cp "$setup" "$work/setup.exe"
run "$work/setup.exe" /S /STARTUP
if [ -d "$app" ]; then ok "installed into Program Files (x86)"; else fail "nothing in $app"; fi

# Exactly the release folder and the uninstaller.
expected=$( (cd "$dist" && find . -type f; echo ./uninstall.exe) | sort)
actual=$( (cd "$app" 2>/dev/null && find . -type f) | sort)
if [ "$expected" = "$actual" ]; then
  ok "programs, help and sample in place ($(wc -l <<<"$actual") files)"
else
  fail "installed files differ from the release:"; diff <(echo "$expected") <(echo "$actual") >&2 || true
fi
for f in zelplay.exe zeledit.exe sample.set sample/animal.qst; do
  cmp -s "$dist/$f" "$app/$f" || fail "$f differs from the release"
done
ls "$WINEPREFIX"/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/*/*.lnk >/dev/null 2>&1 \
  && ok "Start-menu shortcuts made" || fail "no Start-menu shortcuts"

startup=$(find "$WINEPREFIX/drive_c/ProgramData" -ipath '*startup*' -name '*.lnk' 2>/dev/null | head -n 1)
# A shortcut holds its paths in UTF-16 or in the ANSI code page: compared without the zero bytes.
if [ -n "$startup" ] && tr -d '\0' < "$startup" | grep -qa 'sample\.set' && tr -d '\0' < "$startup" | grep -qa 'zelplay\.exe'; then
  ok "start at logon: $(basename "$startup") runs the player with the sample set"
else
  fail "no Startup shortcut running the player with the sample set (/STARTUP)"
fi

# Associations: .set opens in the player, .qst in the editor.
set_cmd=$(regval 'HKCR\Zelmica.Set\shell\open\command')
qst_cmd=$(regval 'HKCR\Zelmica.Question\shell\open\command')
[ "$(regval 'HKCR\.set')" = Zelmica.Set ] && [ "$set_cmd" = "\"$winapp\\zelplay.exe\" \"%1\"" ] \
  && ok ".set opens in the player: $set_cmd" || fail ".set association: '$(regval 'HKCR\.set')' '$set_cmd'"
[ "$(regval 'HKCR\.qst')" = Zelmica.Question ] && [ "$qst_cmd" = "\"$winapp\\zeledit.exe\" \"%1\"" ] \
  && ok ".qst opens in the editor: $qst_cmd" || fail ".qst association: '$(regval 'HKCR\.qst')' '$qst_cmd'"

# The installed sample set opened as Explorer would: the shell follows the association.
"$WINE" cmd /c start "" "$winapp\\sample.set" >/dev/null 2>&1 </dev/null &
found=
for _ in $(seq 1 60); do
  found=$(pgrep -af 'zelplay\.exe' | grep -F 'Zelmica\zelplay.exe' | grep -F 'sample.set' || true)
  [ -n "$found" ] && xdotool search --name 'Zelmica' >/dev/null 2>&1 && break
  found=
  sleep 0.5
done
if [ -n "$found" ]; then
  ok "opening sample.set started the installed player with it"
  sleep 2
  import -window root "$work/association.png" 2>/dev/null && cp "$work/association.png" "$out/installer-association.png" || true
else
  fail "opening sample.set did not start the installed player"
fi
# The player ends as an operator would end it; then nothing of the install is running.
wineserver -k >/dev/null 2>&1 || true
sleep 1

# Files the operator made: a log and a set of their own.
printf 'x\r\n' > "$app/zelm.csv"
printf 'T,mine\r\n' > "$app/mine.set"
run "$app/uninstall.exe" /S
left=$( (cd "$app" 2>/dev/null && find . -type f) | sort)
if [ "$left" = "$(printf './mine.set\n./zelm.csv')" ]; then
  ok "uninstall removed what it installed and kept the operator's files"
else
  fail "after uninstall the folder holds:"; echo "$left" >&2
fi
for key in 'HKCR\.set' 'HKCR\.qst' 'HKCR\Zelmica.Set' 'HKCR\Zelmica.Question' 'HKLM\Software\Zelmica' \
           'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelmica'; do
  "$WINE" reg query "$key" >/dev/null 2>&1 </dev/null && fail "$key is still in the registry"
done
ls "$WINEPREFIX"/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/*/*.lnk >/dev/null 2>&1 \
  && fail "Start-menu or Startup shortcuts left behind"
rm -f "$app/zelm.csv" "$app/mine.set"
rmdir "$app" 2>/dev/null || true
after=$(cd "$WINEPREFIX/drive_c" && find . | sort)
stray=$(comm -13 <(echo "$before") <(echo "$after") | grep -v -e '^./users/' -e '^./windows/' || true)
[ -z "$stray" ] || { fail "left on drive C:"; echo "$stray" >&2; }

if [ $failures -gt 0 ]; then
  echo "installer-test: $failures problem(s)" >&2
  exit 1
fi
echo "installer-test: the installer installs, associates and uninstalls as it should"
