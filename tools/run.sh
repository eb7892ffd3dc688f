#!/usr/bin/env bash
# Installs what is missing, builds the Windows binaries and starts Pindrel
# under Wine in a prefix of its own (not the tests' prefix), where Tessary
# and the local contact store are registered and a demo profile is filled.
#
#   tools/run.sh [64|32]   the 64-bit build (the default) or the 32-bit one
#
# Both bitnesses use one demo profile (build/run-profile): the local store
# keeps the same files whichever build wrote them.
#
# With DISPLAY set, Pindrel opens on that display and this script returns
# when it ends. Without one, it runs on a private Xvfb inside a Wine virtual
# desktop: the script waits for the main window, saves a screenshot of it,
# says where, and closes the program through File > Exit.
set -euo pipefail
cd "$(dirname "$0")/.."
bits=${1:-64}
case "$bits" in
  32 | 64) ;;
  *) echo "usage: make run [BITS=64|32]" >&2; exit 2 ;;
esac
preset=win$bits
wine=cmake/wine.sh
prefix=build/$preset/run-prefix
exe=build/$preset/bin/Pindrel.exe
profile=build/run-profile
mkdir -p "$profile"
export LOCALSTORE_PROFILE="Z:$(realpath "$profile")"

# A wineserver left over from an earlier run of this prefix would keep the
# display driver (and state) it started with.
prepare() {
  "$wine" "$prefix" stop
  "$wine" "$prefix" setup
  "$wine" "$prefix" run regsvr32 /s "$(realpath build/$preset/bin/Tessary.dll)"
  # The local store answers for the store library in this prefix only; the
  # demo profile is filled on first use (the default profile of the prefix).
  localstore/register.sh "$prefix" build/$preset/bin/LocalStore.dll
  tools/demo_profile.sh "$prefix" "$profile"
}

if [ -z "${PINDREL_RUN_IN_XVFB:-}" ]; then
  tools/install-deps.sh
  cmake --preset "$preset" >/dev/null
  # What the program needs, not the tests (nor the installer, which packs
  # both bitnesses).
  cmake --build --preset "$preset" --target Pindrel tessary_com localstore_com localstore-demo manual
  if [ -n "${DISPLAY:-}" ]; then
    prepare
    exec "$wine" "$prefix" run "$exe"
  fi
  export PINDREL_RUN_IN_XVFB=1
  # The screen is the size of the virtual desktop, so the root window is
  # exactly what Windows programs see.
  exec timeout 1200 xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi

# ---- inside Xvfb from here on
shots=build/$preset/screenshots
mkdir -p "$shots"
shot="$shots/main-window.png"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prepare

windows_exe="Z:$(realpath "$exe" | tr / '\\')"
"$wine" "$prefix" run explorer /desktop=shot,800x600 "$windows_exe" >/dev/null 2>&1 </dev/null &
pid=$!

stop() {
  if kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
}

# The main window has appeared once the screen is no longer plain and two
# captures a second apart are the same (it has finished drawing). Bounded
# to five minutes, so a slow machine waits longer rather than failing.
ready=""
for _ in $(seq 1 300); do
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
  echo "Pindrel's main window did not appear within five minutes" >&2
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
# The program has ended once no Pindrel.exe runs any more; the virtual
# desktop around it may stay, and goes with the prefix's wineserver.
running() { pgrep -af 'Pindrel\.exe' 2>/dev/null | grep -qv 'explorer'; }
for _ in $(seq 1 120); do
  running || break
  sleep 1
done
if running; then
  stop
  "$wine" "$prefix" stop
  echo "Pindrel did not end within two minutes of File > Exit; stopped it." >&2
  exit 1
fi
stop
"$wine" "$prefix" stop
echo "Pindrel closed through File > Exit."
