#!/usr/bin/env bash
# Installs what is missing, builds the Windows binaries and starts Pindrel
# under Wine in the build tree's own prefix.
#
# With DISPLAY set, Pindrel opens on that display and this script returns
# when it ends. Without one, it runs on a private Xvfb inside a Wine virtual
# desktop: the script waits for the main window, saves a screenshot of it,
# says where, and closes the program through File > Exit.
set -euo pipefail
cd "$(dirname "$0")/.."
wine=cmake/wine.sh
prefix=build/win32/wineprefix
exe=build/win32/bin/Pindrel.exe

if [ -z "${PINDREL_RUN_IN_XVFB:-}" ]; then
  tools/install-deps.sh
  cmake --preset win32 >/dev/null
  cmake --build --preset win32
  if [ -n "${DISPLAY:-}" ]; then
    exec "$wine" "$prefix" run "$exe"
  fi
  export PINDREL_RUN_IN_XVFB=1
  # The screen is the size of the virtual desktop, so the root window is
  # exactly what Windows programs see.
  exec timeout 300 xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi

# ---- inside Xvfb from here on
shots=build/win32/screenshots
mkdir -p "$shots"
shot="$shots/main-window.png"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$wine" "$prefix" setup

windows_exe="Z:$(realpath "$exe" | tr / '\\')"
"$wine" "$prefix" run explorer /desktop=shot,800x600 "$windows_exe" >/dev/null 2>&1 </dev/null &
pid=$!

stop() {
  if kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
}

# The main window has appeared once the screen is no longer plain and two
# captures a second apart are the same (it has finished drawing). Bounded
# to two minutes, so a slow machine waits longer rather than failing.
ready=""
for _ in $(seq 1 120); do
  sleep 1
  kill -0 "$pid" 2>/dev/null || { echo "Pindrel ended before its window could be captured" >&2; exit 1; }
  import -window root "$work/now.png" 2>/dev/null || continue
  spread=$(convert "$work/now.png" -colorspace gray -format '%[fx:standard_deviation]' info:)
  if [ -f "$work/before.png" ] && awk "BEGIN{exit !($spread > 0.05)}" &&
     [ "$(compare -metric AE "$work/now.png" "$work/before.png" null: 2>&1)" = "0" ]; then
    ready=1
    break
  fi
  mv "$work/now.png" "$work/before.png"
done
if [ -z "$ready" ]; then
  stop
  echo "Pindrel's main window did not appear within two minutes" >&2
  exit 1
fi
cp "$work/now.png" "$shot"
echo "Screenshot of the main window: $(realpath "$shot")"

# Close it the way a user would: File > Exit.
desktop_window=$(xdotool search --name 'shot' 2>/dev/null | head -1 || true)
[ -n "$desktop_window" ] && xdotool windowfocus "$desktop_window" 2>/dev/null || true
xdotool key --clearmodifiers alt+f
sleep 1
xdotool key x
for _ in $(seq 1 30); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 1
done
if kill -0 "$pid" 2>/dev/null; then
  # The virtual desktop can outlive the program; end what this script started.
  stop
  "$wine" "$prefix" stop
  echo "Pindrel did not end within 30 s of File > Exit; stopped it."
else
  echo "Pindrel closed through File > Exit."
fi
