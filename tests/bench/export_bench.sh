#!/usr/bin/env bash
# Benchmark of the export under Wine: the export window's logic on a real
# (headless) window writes N contacts (10,000 unless given) of a local-store
# folder to vCard files through the registered store. Prints files per
# second, the process's memory (now and at its peak); the time the same
# files take written plainly (CreateFileW, WriteFile, CloseHandle) into an
# empty directory, thousand by thousand as the directory grows, and the
# export's ratio to it; and, from a second, timed run, how the time splits
# between the store's SaveAs, its other calls, the window updates, the
# yields and the loop's own work.
#
# With --one-file after N: the export of all contacts to one file instead,
# in vCard 3.0 and 4.0, contacts per second and memory, beside one run of
# the per-contact export of the same folder.
#
#   tests/bench/export_bench.sh [N] [--one-file]     (from the repository root)
#   BITS=32 tests/bench/export_bench.sh [N] [--one-file]     the same for the 32-bit build
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/bench/bits.sh
n=${1:-10000}
mode=${2:-}
build_targets export_bench
# A prefix of the benchmarks' own under the build tree, where the local
# store is registered under the store library's ProgID.
prefix=$build/wineprefix-bench
work=$(realpath -m "$build/bench-export")
rm -rf "$work"
mkdir -p "$work"
cmake/wine.sh "$prefix" start
trap 'cmake/wine.sh "$prefix" stop' EXIT
bash localstore/register.sh "$prefix" "$build/bin/LocalStore.dll"
export LOCALSTORE_PROFILE="Z:$(echo "$work/profile" | tr / '\\')"
cmake/wine.sh "$prefix" run "$build/bin/export_bench.exe" "Z:$(echo "$work/out" | tr / '\\')" "$n" $mode
rm -rf "$work"
