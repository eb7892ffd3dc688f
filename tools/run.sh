#!/usr/bin/env bash
# Installs what is missing, builds the Windows binaries and runs them under
# Wine in the build tree's own prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
wine=cmake/wine.sh
prefix=build/win32/wineprefix
"$wine" "$prefix" run build/win32/bin/tessary-dump.exe samples/contacts.vcf
