#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the
# native suites (under ASan and UBSan, plus a bounded fuzzing run) and the
# Windows suites under Wine. Fails when any test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh || exit 1

status=0
for preset in native win32; do
  echo "=== $preset: configure and build"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    echo "=== $preset: build failed"
    status=1
    continue
  fi
  echo "=== $preset: tests"
  ctest --preset "$preset" || status=1
done
exit $status
