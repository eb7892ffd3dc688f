#!/usr/bin/env bash
# Benchmark of the local store through IDispatch from C++ under Wine: saves
# per second for 1k, 10k and 100k contacts with all 32 mapped properties set,
# reads per second of Items + Count + Item(i) over every position, and the
# process's memory before, after the saves and after the reads; then where a save's
# time goes (the calls, Save) and what its system calls cost on their own;
# last, the store's core alone (no COM) under Wine and natively, for the
# largest N.
#
#   tests/bench/localstore_bench.sh [N...]     (from the repository root)
#   BITS=32 tests/bench/localstore_bench.sh [N...]     the same for the 32-bit build
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/bench/bits.sh
build_targets localstore_bench localstore_com localstore_core_bench
cmake --preset bench >/dev/null
cmake --build --preset bench --target localstore_core_bench >/dev/null
prefix=$build/wineprefix
work=$build/bench-profiles
rm -rf "$work"
mkdir -p "$work"
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1000 10000 100000)
cmake/wine.sh "$prefix" start
trap 'cmake/wine.sh "$prefix" stop' EXIT
cmake/wine.sh "$prefix" run "$build/bin/localstore_bench.exe" "Z:$(realpath "$work")" "${counts[@]}"
largest=${counts[-1]}
for n in "${counts[@]}"; do [ "$n" -gt "$largest" ] && largest=$n; done
echo "under Wine:"
cmake/wine.sh "$prefix" run "$build/bin/localstore_core_bench.exe" "Z:$(realpath "$work")/core-wine" "$largest"
echo "natively:"
build/bench/bin/localstore_core_bench "$work/core-native" "$largest"
rm -rf "$work"
