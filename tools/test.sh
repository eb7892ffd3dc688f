#!/usr/bin/env bash
# Installs what is missing, builds the three presets and runs every test:
# the native suites (under ASan and UBSan, plus a bounded fuzzing run), the
# Windows suites of the 64-bit build under 64-bit Wine and those of the
# 32-bit build under 32-bit Wine. Fails when any test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh || exit 1

status=0
declare -A what=([native]="native, under ASan and UBSan" [win64]="64-bit Windows, under 64-bit Wine"
  [win32]="32-bit Windows, under 32-bit Wine")
# win64 before win32: the installer, built with the 32-bit build, packs both.
for preset in native win64 win32; do
  echo "=== $preset (${what[$preset]}): configure and build"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    echo "=== $preset (${what[$preset]}): build failed"
    status=1
    continue
  fi
  echo "=== $preset (${what[$preset]}): tests"
  ctest --preset "$preset" || status=1
done
exit $status
