#!/usr/bin/env bash
# The project's own 32-bit Wine prefix: created on first use, headless unless
# a display is set, never touching ~/.wine or the real home directory.
#
#   wine.sh PREFIX setup         create the prefix if it is not there yet
#   wine.sh PREFIX start         setup, then start a persistent wineserver
#   wine.sh PREFIX stop          stop that wineserver
#   wine.sh PREFIX run CMD...    run a Windows program (or wine tool) in it
set -euo pipefail
prefix=$(realpath -m "$1"); action=$2; shift 2

export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine turns Windows file names into Unix ones through the locale's
# character set; under a plain C locale no name outside ASCII can exist.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
  *UTF-8* | *utf8* | *UTF8* | *utf-8*) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac

setup() {
  [ -f "$prefix/.ready" ] && return 0
  mkdir -p "$prefix"
  exec 9>"$prefix.lock"
  flock 9
  [ -f "$prefix/.ready" ] && return 0
  # X11 when a display works, the null driver otherwise: windows then exist
  # and can be driven in-process even without any X server.
  cat >"$prefix/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

[Software\\Wine\\Drivers]
"Graphics"="x11,null"
REG
  wineboot -i >/dev/null 2>&1 </dev/null
  wineserver -w
  # A fresh prefix links Desktop, Documents... to $HOME; tests must not
  # write into the real home directory.
  for d in "$prefix"/drive_c/users/*/; do
    for link in "$d"*; do
      if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
    done
  done
  # Wine does not find Debian's fonts by itself; without them Tahoma falls back.
  if [ -d /usr/share/wine/fonts ]; then
    ln -sf /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  touch "$prefix/.ready"
}

case "$action" in
  setup) setup ;;
  start)
    setup
    # A server left running for this prefix (say, by hand) serves as well.
    wineserver -p >/dev/null 2>&1 </dev/null || true
    wine wineboot >/dev/null 2>&1 </dev/null || true
    ;;
  stop) wineserver -k >/dev/null 2>&1 </dev/null || true ;;
  run)
    setup
    exec wine "$@"
    ;;
  *) echo "usage: wine.sh PREFIX setup|start|stop|run ..." >&2; exit 2 ;;
esac
