# Sourced by the scripts that run Windows programs: Japanese locale (code page 932), the
# project's own Wine prefixes, quiet Wine, and no Mono or Gecko prompts.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Picks the loader ($WINE) and prefix for one architecture. The i686 prefix is a separate one:
# a prefix made before wine32 was installed cannot run 32-bit programs.
zel_wine_arch() { # x86_64 | i686
  case $1 in
    x86_64) WINE=/usr/lib/wine/wine64; export WINEPREFIX=${ZELMICA_WINEPREFIX:-$HOME/.wine-zelmica} ;;
    i686) WINE=/usr/lib/wine/wine; export WINEPREFIX=${ZELMICA_WINEPREFIX32:-$HOME/.wine-zelmica-i686} ;;
    *) echo "zel_wine_arch: unknown architecture $1" >&2; return 2 ;;
  esac
}
zel_wine_arch x86_64

# True when a wineserver of this user serves $WINEPREFIX.
zel_wineserver_running() {
  local p
  for p in $(pgrep -u "$(id -u)" wineserver || true); do
    { tr '\0' '\n' < "/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}

# Wine hands top-level windows to the window manager, and waits up to 2 s for it to confirm each
# one hidden (a message box answered, a dialog or a program closed). Xvfb has none, so every such
# hide took the full 2 s: there windows stay Wine's own (Managed=N) and go at once. "Y" with a
# window manager, Wine's default.
zel_wine_managed() {
  if [ -n "${DISPLAY:-}" ] && command -v xprop >/dev/null &&
    ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo N
  else
    echo Y
  fi
}
# Sets that mode in $WINEPREFIX (this also starts the prefix's services, output redirected).
zel_wine_window_mode() {
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$(zel_wine_managed)" /f >/dev/null 2>&1 </dev/null || true
}

# Starts a persistent wineserver for $WINEPREFIX unless one runs, and warms the prefix (setting the
# window mode above) with its output redirected, so Wine's services do not inherit a caller's
# pipes (ctest waits on them). Sets ZEL_STARTED_SERVER=1 when it started one; zel_wine_stop stops
# only that.
zel_wine_start() {
  ZEL_STARTED_SERVER=0
  mkdir -p "$WINEPREFIX"
  if ! zel_wineserver_running; then
    wineserver -p
    ZEL_STARTED_SERVER=1
  fi
  zel_wine_window_mode
}
zel_wine_stop() {
  if [ "${ZEL_STARTED_SERVER:-0}" = 1 ]; then wineserver -k >/dev/null 2>&1 || true; fi
  ZEL_STARTED_SERVER=0
}

# The one line every 32-bit run prints instead of running: on a kernel without 32-bit support,
# or where the 32-bit Wine could not be installed (setup names the stale package index then).
zel_can_run_i686() {
  if ! bash "$(dirname "${BASH_SOURCE[0]}")/can-run-i386.sh"; then
    ZEL_I686_SKIP_LINE="i686: not run, this kernel cannot execute 32-bit programs"
    return 1
  fi
  if [ ! -x /usr/lib/wine/wine ]; then
    ZEL_I686_SKIP_LINE="i686: not run, the 32-bit Wine (wine32:i386) is not installed; run scripts/setup.sh again"
    return 1
  fi
}
ZEL_I686_SKIP_LINE="i686: not run"
