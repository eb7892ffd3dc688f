#!/usr/bin/env bash
# Benchmark of the import under Wine: the import window's logic on a real
# (headless) window imports one generated file of N contacts (100,000 unless
# given) and a directory of M one-contact files (10,000 unless given) into
# the empty Contacts folder of a fresh local-store profile, through the
# registered Tessary and local store; then the same file again into the
# folder it filled, with "Skip it" and with "Update it" (cards per second,
# the reading of the folder included), and the memory the index of the
# folder's contacts takes per contact. Prints contacts per second and the
# process's memory as each run goes and, from smaller timed runs, how the
# time splits between the reader, the mapping, the store calls, the window
# updates and the yields. The generated files are kept for the next run.
# With PHOTO_BYTES, each contact of the one file has a picture that large
# (45000 0 46080: the 2.9 GB file of phone contacts; remove its directory
# under build/win64/bench-import afterwards).
#
#   tests/bench/import_bench.sh [N [M [PHOTO_BYTES]]]     (from the repository root)
#   BITS=32 tests/bench/import_bench.sh [N [M [PHOTO_BYTES]]]     the same for the 32-bit build
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/bench/bits.sh
n=${1:-100000} m=${2:-10000} photo=${3:-0}
build_targets import_bench
# A prefix of the benchmarks' own under the build tree, where Tessary and
# the local store (under the store library's ProgID) are registered.
prefix=$build/wineprefix-bench
work=$(realpath -m "$build/bench-import/$n-$m${3:+-$photo}")
mkdir -p "$work"
cmake/wine.sh "$prefix" start
trap 'cmake/wine.sh "$prefix" stop' EXIT
cmake/wine.sh "$prefix" run regsvr32 /s "$(realpath "$build/bin/Tessary.dll")"
bash localstore/register.sh "$prefix" "$build/bin/LocalStore.dll"
cmake/wine.sh "$prefix" run "$build/bin/import_bench.exe" "Z:$(echo "$work" | tr / '\\')" "$n" "$m" "$photo"
