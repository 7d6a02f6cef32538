#!/usr/bin/env bash
# Assembles the release: build/release/Zelmica/ (both programs, help, sample, README), the zip
# build/release/Zelmica-<version>.zip and the installer build/release/Zelmica-<version>-setup.exe.
#
# usage: package.sh [--build-dir DIR] [--out-dir DIR] [--version V] [--no-installer]
#   --build-dir  the i686 build tree holding zelplay/zelplay.exe and zeledit/zeledit.exe
#                (default build/i686)
#   --out-dir    where the release goes (default build/release)
#   --version    version in the package names (default $ZELMICA_VERSION, else the file VERSION)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/i686
out=$root/build/release
version=${ZELMICA_VERSION:-$(head -n 1 "$root/VERSION")}
installer=1

while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) build=$(cd "$2" && pwd); shift 2 ;;
    --out-dir) mkdir -p "$2"; out=$(cd "$2" && pwd); shift 2 ;;
    --version) version=$2; shift 2 ;;
    --no-installer) installer=0; shift ;;
    *) echo "package: unknown argument $1" >&2; exit 2 ;;
  esac
done
die() { echo "package: $*" >&2; exit 1; }
[[ $version =~ ^[0-9A-Za-z._-]+$ ]] || die "version '$version' must be letters, digits, '.', '_' or '-'"

# The release is 32-bit; a 64-bit or foreign file in its place would install and then fail.
check_exe() {
  local exe=$1 pe machine
  [ -f "$exe" ] || die "$exe is missing: build the i686 release first (bash scripts/build.sh)"
  [ "$(head -c 2 "$exe")" = MZ ] || die "$exe is not a Windows program"
  pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')
  [ "$(od -An -c -j"$pe" -N4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || die "$exe has no PE header"
  [ "$machine" = 014c ] || die "$exe is not a 32-bit (i386) program (machine $machine)"
}
player=$build/zelplay/zelplay.exe
editor=$build/zeledit/zeledit.exe
check_exe "$player"
check_exe "$editor"
command -v iconv >/dev/null || die "iconv is missing"
command -v zip >/dev/null || die "zip is missing (bash scripts/setup.sh installs it)"
if [ $installer -eq 1 ]; then
  command -v makensis >/dev/null || die "makensis is missing (bash scripts/setup.sh installs nsis)"
fi

# Texts for Windows: Shift-JIS with CR LF. iconv stops on a character Shift-JIS cannot hold.
to_windows_text() { # SOURCE TARGET
  iconv -f UTF-8 -t CP932 "$1" | sed 's/\r*$/\r/' > "$2.tmp" || die "cannot convert $1 to Shift-JIS"
  mv "$2.tmp" "$2"
}

dist=$out/Zelmica
rm -rf "$dist"
mkdir -p "$dist/sample"
cp "$player" "$editor" "$dist/"
to_windows_text "$root/docs/zelplay.htm.in" "$dist/zelplay.htm"
to_windows_text "$root/docs/zeledit.htm.in" "$dist/zeledit.htm"
sed "s/@VERSION@/$version/" "$root/docs/README.txt.in" > "$out/README.utf8"
to_windows_text "$out/README.utf8" "$dist/README.txt"
rm -f "$out/README.utf8"

# The set sits beside the programs: opened from there, the file dialog leaves the current
# directory at the program folder, which is what the relative paths inside it count from.
cp "$root/sample/sample.set" "$dist/sample.set"
cp -R "$root/sample/." "$dist/sample/"
rm -f "$dist/sample/sample.set"

if command -v python3 >/dev/null; then
  python3 "$root/tools/check_sample.py" "$dist" "$dist/sample.set" >/dev/null \
    || die "the sample in $dist is not sound (see above)"
fi

zipfile=$out/Zelmica-$version.zip
rm -f "$zipfile"
(cd "$out" && zip -r -X -q "$zipfile" Zelmica)
echo "package: $zipfile"

if [ $installer -eq 1 ]; then
  nsis=$out/nsis
  rm -rf "$nsis"
  mkdir -p "$nsis"
  # Exact install and removal lists, so the uninstaller removes only what was installed.
  {
    (cd "$dist" && find . -type d | sort) | while read -r d; do
      rel=${d#.}; rel=${rel#/}
      echo "SetOutPath \"\$INSTDIR${rel:+\\${rel//\//\\}}\""
      (cd "$dist/$d" && find . -maxdepth 1 -type f | sort) | while read -r f; do
        echo "File \"$dist/${rel:+$rel/}${f#./}\""
      done
    done
  } > "$nsis/files.nsh"
  {
    (cd "$dist" && find . -type f | sort) | while read -r f; do
      f=${f#./}; echo "Delete \"\$INSTDIR\\${f//\//\\}\""
    done
    (cd "$dist" && find . -mindepth 1 -type d | sort -r) | while read -r d; do
      d=${d#./}; echo "RMDir \"\$INSTDIR\\${d//\//\\}\""
    done
  } > "$nsis/remove.nsh"
  setup=$out/Zelmica-$version-setup.exe
  rm -f "$setup"
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DOUTFILE="$setup" \
    -DFILES_NSH="$nsis/files.nsh" -DREMOVE_NSH="$nsis/remove.nsh" "$root/installer/zelmica.nsi" \
    || die "makensis failed"
  [ -s "$setup" ] || die "makensis reported success but $setup is missing"
  echo "package: $setup"
fi
