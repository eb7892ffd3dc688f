#!/usr/bin/env bash
# Registers LocalStore.dll in one of the project's own Wine prefixes and
# points the store library's ProgID, "Redemption.RDOSession", at it, so the
# program's late-bound code path reaches the local store. Only ever for the
# prefixes under the build tree (the tests' and the run command's): never
# ~/.wine, never an installer.
#
#   localstore/register.sh PREFIX PATH/TO/LocalStore.dll
#   localstore/unregister.sh PREFIX PATH/TO/LocalStore.dll   (the inverse)
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 PREFIX PATH/TO/LocalStore.dll" >&2; exit 2; }
prefix=$1
dll_unix=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
wine="$here/../cmake/wine.sh"
[ -n "$prefix" ] || { echo "register.sh: no prefix given" >&2; exit 2; }
case "$(realpath -m "$prefix")" in
  "$(realpath -m "$HOME/.wine")") echo "register.sh: refusing to register in ~/.wine" >&2; exit 2 ;;
esac
[ -f "$dll_unix" ] || { echo "register.sh: $dll_unix not found" >&2; exit 1; }

clsid='{6E1B1F2A-4C55-4E0B-9B7E-2F6D6C3A9D21}'
progid='Redemption.RDOSession'
dll=$("$wine" "$prefix" run winepath -w "$dll_unix" | tr -d '\r')
"$wine" "$prefix" run regsvr32 /s "$dll"
"$wine" "$prefix" run reg add "HKCR\\$progid" /ve /d "LocalStore Session" /f >/dev/null
"$wine" "$prefix" run reg add "HKCR\\$progid\\CLSID" /ve /d "$clsid" /f >/dev/null
