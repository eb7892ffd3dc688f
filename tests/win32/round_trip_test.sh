#!/usr/bin/env bash
# Registers Tessary and the local store in the tests' prefix, gives the
# local store a fresh profile, and runs the round trip.
#   round_trip_test.sh round_trip_tests.exe Tessary.dll LocalStore.dll
set -euo pipefail
exe=$1 tessary=$2 localstore=$3
: "${PINDREL_WINE:?}" "${PINDREL_WINEPREFIX:?}" "${PINDREL_SOURCE:?}"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
"$PINDREL_WINE" "$PINDREL_WINEPREFIX" run regsvr32 /s "$(realpath "$tessary")"
bash "$PINDREL_SOURCE/localstore/register.sh" "$PINDREL_WINEPREFIX" "$localstore"
LOCALSTORE_PROFILE="Z:$(echo "$profile" | tr / '\\')" "$PINDREL_WINE" "$PINDREL_WINEPREFIX" run "$exe"
