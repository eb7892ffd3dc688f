#!/usr/bin/env bash
# Benchmark of the round trip under Wine: N generated contacts (10,000
# unless given) in a fresh local-store profile, exported by the export
# logic and imported back by the import logic through the registered
# Tessary; prints contacts per second each way.
#
#   tests/bench/round_trip_bench.sh [N]     (from the repository root)
#   BITS=32 tests/bench/round_trip_bench.sh [N]     the same for the 32-bit build
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/bench/bits.sh
n=${1:-10000}
build_targets round_trip_bench tessary_com localstore_com
prefix=$build/wineprefix
profile=$build/bench-round-trip
rm -rf "$profile"
mkdir -p "$profile"
cmake/wine.sh "$prefix" start
trap 'cmake/wine.sh "$prefix" stop; rm -rf "$profile"' EXIT
cmake/wine.sh "$prefix" run regsvr32 /s "$(realpath "$build/bin/Tessary.dll")"
bash localstore/register.sh "$prefix" "$build/bin/LocalStore.dll"
LOCALSTORE_PROFILE="Z:$(realpath "$profile" | tr / '\\')" \
  cmake/wine.sh "$prefix" run "$build/bin/round_trip_bench.exe" "$n"
