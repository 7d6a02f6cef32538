# Sourced by the scripts that run Windows programs: Japanese locale (code page 932), the
# project's own Wine prefix, quiet Wine, and no Mono or Gecko prompts.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-zelmica}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
