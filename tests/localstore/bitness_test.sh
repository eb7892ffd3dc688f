#!/usr/bin/env bash
# One profile, both bitnesses: the 32-bit local store saves contacts, the
# 64-bit one finds each of them whole and saves more, and the 32-bit one
# then finds all of them. A user who moves to the other build keeps the
# profile, so its files must mean the same to both. Both writers run in one
# 64-bit prefix (it runs 32-bit programs too); each loads the LocalStore.dll
# beside it, so nothing is registered.
#
#   bitness_test.sh WRITER32 WRITER64    (localstore_writer of each build)
set -uo pipefail
writer32=$1 writer64=$2
export PINDREL_WINEARCH=win64
prefix=$PINDREL_WINEPREFIX-win64
work=$(mktemp -d)
trap '"$PINDREL_WINE" "$prefix" stop; rm -rf "$work"' EXIT
mkdir -p "$work/profile"
export LOCALSTORE_PROFILE="Z:$work/profile"
wine() { "$PINDREL_WINE" "$prefix" run "$@"; }
fail() { echo "FAIL: $*"; exit 1; }

"$PINDREL_WINE" "$prefix" start || fail "cannot start the 64-bit prefix $prefix"
wine "$writer32" write 1000 20 >>"$work/saved" || fail "the 32-bit store did not save"
wine "$writer64" check "Z:$work/saved" || fail "the 64-bit store does not read what the 32-bit one saved"
wine "$writer64" write 2000 20 >>"$work/saved" || fail "the 64-bit store did not save into the 32-bit one's profile"
wine "$writer32" check "Z:$work/saved" || fail "the 32-bit store does not read what both saved"
echo "bitness: all checks passed"
