#!/usr/bin/env bash
# Benchmark of the export under Wine: the export window's logic on a real
# (headless) window writes N contacts (10,000 unless given) of a local-store
# folder to vCard files through the registered store. Prints files per
# second, the process's memory (now and at its peak) and, from a second,
# timed run, how the time splits between the store's SaveAs, its other
# calls, the window updates, the yields and the loop's own work.
#
#   tests/bench/export_bench.sh [N]     (from the repository root)
set -euo pipefail
cd "$(dirname "$0")/../.."
n=${1:-10000}
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target export_bench >/dev/null
# A prefix of the benchmarks' own under the build tree, where the local
# store is registered under the store library's ProgID.
prefix=build/win32/wineprefix-bench
work=$(realpath -m build/win32/bench-export)
rm -rf "$work"
mkdir -p "$work"
cmake/wine.sh "$prefix" start
trap 'cmake/wine.sh "$prefix" stop' EXIT
bash localstore/register.sh "$prefix" build/win32/bin/LocalStore.dll
export LOCALSTORE_PROFILE="Z:$(echo "$work/profile" | tr / '\\')"
cmake/wine.sh "$prefix" run build/win32/bin/export_bench.exe "Z:$(echo "$work/out" | tr / '\\')" "$n"
rm -rf "$work"
