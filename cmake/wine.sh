#!/usr/bin/env bash
# The project's own Wine prefixes: created on first use, headless unless a
# display is set, never touching ~/.wine or the real home directory.
#
# A prefix is 32- or 64-bit as the build tree it lives in says (the file
# wine-arch, written by CMake beside it: win32 or win64); PINDREL_WINEARCH
# overrides that. A 64-bit prefix is driven by the 64-bit loader, so 64-bit
# programs start without any 32-bit process (which some machines can only
# run through an emulator); it hands 32-bit programs to the 32-bit loader.
#
#   wine.sh PREFIX setup         create the prefix if it is not there yet
#   wine.sh PREFIX start         setup, then start a persistent wineserver
#   wine.sh PREFIX stop          stop that wineserver
#   wine.sh PREFIX run CMD...    run a Windows program (or wine tool) in it
set -euo pipefail
prefix=$(realpath -m "$1"); action=$2; shift 2

arch=${PINDREL_WINEARCH:-$(cat "$(dirname "$prefix")/wine-arch" 2>/dev/null || echo win32)}
case "$arch" in
  win32) loader=wine ;;
  win64) loader=/usr/lib/wine/wine64 ;;
  *) echo "wine.sh: unknown Wine architecture '$arch'" >&2; exit 2 ;;
esac
export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG="${WINEDEBUG:--all}"
# No .NET or Gecko installer prompts; a caller adds its own overrides
# (e.g. "tessary=" to see a registration fail) in PINDREL_DLL_OVERRIDES.
# No crash debugger either: a crashing program ends with its exception code
# as its exit code, where winedbg would wait for someone to attach (forever,
# for a test, holding the test's output open).
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d${PINDREL_DLL_OVERRIDES:+;$PINDREL_DLL_OVERRIDES}"
# Wine turns Windows file names into Unix ones through the locale's
# character set; under a plain C locale no name outside ASCII can exist.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
  *UTF-8* | *utf8* | *UTF8* | *utf-8*) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac

# Makes a ready prefix at $1 with wineboot: slow (minutes where 32-bit code
# runs emulated), so it is done once per build tree, as a template.
boot() {
  local target=$1
  mkdir -p "$target"
  # X11 when a display works, the null driver otherwise: windows then exist
  # and can be driven in-process even without any X server.
  cat >"$target/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

[Software\\Wine\\Drivers]
"Graphics"="x11,null"
REG
  # Under a loaded, emulated machine the launcher may give up waiting and
  # fail while the boot goes on: wait for every process of the prefix to end,
  # then judge the prefix by what it holds.
  WINEPREFIX="$target" "$loader" wineboot -i >/dev/null 2>&1 </dev/null || true
  WINEPREFIX="$target" wineserver -w || true
  if [ ! -d "$target/drive_c/users" ] || [ ! -f "$target/drive_c/windows/system32/kernel32.dll" ]; then
    echo "wine.sh: wineboot did not finish the prefix $target" >&2
    return 1
  fi
  # A fresh prefix links Desktop, Documents... to $HOME; tests must not
  # write into the real home directory.
  for d in "$target"/drive_c/users/*/; do
    for link in "$d"*; do
      if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
    done
  done
  # Wine does not find Debian's fonts by itself; without them Tahoma falls back.
  if [ -d /usr/share/wine/fonts ]; then
    ln -sf /usr/share/wine/fonts/*.ttf "$target/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  touch "$target/.ready"
}

setup() {
  [ -f "$prefix/.ready" ] && return 0
  local template
  template="$(dirname "$prefix")/wine-template-$arch"
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  [ -f "$prefix/.ready" ] && return 0
  if [ "$prefix" != "$template" ]; then
    # Every prefix of a build tree is a copy of one booted template: a copy
    # takes a second where a boot takes minutes.
    "$0" "$template" setup
    rm -rf "$prefix"
    cp -a "$template" "$prefix"
    return 0
  fi
  rm -rf "$prefix"
  boot "$prefix"
}

case "$action" in
  setup) setup ;;
  start)
    setup
    # A server left running for this prefix (say, by hand) serves as well.
    wineserver -p >/dev/null 2>&1 </dev/null || true
    "$loader" wineboot >/dev/null 2>&1 </dev/null || true
    ;;
  stop) wineserver -k >/dev/null 2>&1 </dev/null || true ;;
  run)
    setup
    exec "$loader" "$@"
    ;;
  *) echo "usage: wine.sh PREFIX setup|start|stop|run ..." >&2; exit 2 ;;
esac
