#!/usr/bin/env bash
# The inverse of register.sh: removes the store library's ProgID (only when
# it points at LocalStore) and unregisters LocalStore.dll from the prefix.
#
#   localstore/unregister.sh PREFIX PATH/TO/LocalStore.dll
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 PREFIX PATH/TO/LocalStore.dll" >&2; exit 2; }
prefix=$1
dll_unix=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
wine="$here/../cmake/wine.sh"

clsid='{6E1B1F2A-4C55-4E0B-9B7E-2F6D6C3A9D21}'
progid='Redemption.RDOSession'
current=$("$wine" "$prefix" run reg query "HKCR\\$progid\\CLSID" /ve 2>/dev/null | tr -d '\r' || true)
if grep -qiF "$clsid" <<<"$current"; then
  "$wine" "$prefix" run reg delete "HKCR\\$progid" /f >/dev/null
fi
dll=$("$wine" "$prefix" run winepath -w "$dll_unix" | tr -d '\r')
"$wine" "$prefix" run regsvr32 /u /s "$dll"
