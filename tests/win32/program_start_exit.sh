#!/usr/bin/env bash
# Pindrel.exe starts on a display, shows its main window titled "Pindrel",
# and ends through File > Exit with exit code 0. Runs on its own Xvfb; with
# no window manager every Wine window is an X window of its own, so its
# title can be read and the keyboard sent to it.
# The other Windows tests share a wineserver started without a display, and
# Wine's desktop keeps the display driver it started with; so this test runs
# in a prefix of its own next to the shared one, with its own wineserver.
#   program_start_exit.sh PATH/TO/Pindrel.exe
set -uo pipefail
exe=$1
: "${PINDREL_WINE:?}" "${PINDREL_WINEPREFIX:?}"

if [ -z "${PINDREL_IN_XVFB:-}" ]; then
  export PINDREL_IN_XVFB=1
  exec timeout 1700 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

prefix="$PINDREL_WINEPREFIX-display"
stop_wine() { "$PINDREL_WINE" "$prefix" stop; }
fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; stop_wine; exit 1; }

# Its first start (services, the desktop) is done before the program's, so
# the wait below is for the program alone.
"$PINDREL_WINE" "$prefix" start || fail "cannot start the Wine prefix $prefix"
"$PINDREL_WINE" "$prefix" run "$exe" >/dev/null 2>&1 </dev/null &
pid=$!

# Bounded waits (up to a minute to appear), not timings: a slow machine only
# waits longer.
# Only a mapped (viewable) window can take the keyboard focus: X refuses
# focus on one that exists but is not yet mapped (BadMatch).
window=""
for _ in $(seq 1 1200); do
  window=$(xdotool search --onlyvisible --name '^Pindrel$' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || fail "Pindrel.exe ended before showing its window"
  sleep 0.5
done
[ -n "$window" ] || fail "no window titled Pindrel appeared within ten minutes"
title=$(xdotool getwindowname "$window")
[ "$title" = "Pindrel" ] || fail "main window title is '$title'"
echo "main window shown: '$title'"

# File > Exit from the keyboard: Alt+F opens the File menu, X is Exit.
focused=""
for _ in $(seq 1 20); do
  if xdotool windowfocus --sync "$window" 2>/dev/null; then focused=1; break; fi
  sleep 0.5
done
[ -n "$focused" ] || fail "cannot focus the main window"
xdotool key --clearmodifiers alt+f
# The open menu is a visible window of its own besides the main window.
before=$(xdotool search --onlyvisible --name '' 2>/dev/null | wc -l)
for _ in $(seq 1 40); do
  sleep 0.25
  [ "$(xdotool search --onlyvisible --name '' 2>/dev/null | wc -l)" -gt "$before" ] && break
done
xdotool key x

for _ in $(seq 1 1200); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.5
done
kill -0 "$pid" 2>/dev/null && fail "Pindrel.exe still running ten minutes after File > Exit"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "Pindrel.exe exited with $status"
echo "ended through File > Exit with exit code 0"
stop_wine
