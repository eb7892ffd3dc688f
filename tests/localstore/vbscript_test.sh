#!/usr/bin/env bash
# The local store's contract from a real late-bound client: registers
# LocalStore.dll under the store library's ProgID in the tests' prefix, then
# one cscript process writes to a fresh profile and a second one reads what
# the first saved; the vCard file written is checked byte for byte.
set -uo pipefail
dll=$1
wine() { "$PINDREL_WINE" "$PINDREL_WINEPREFIX" run "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/profile" "$work/out"
export LOCALSTORE_PROFILE="Z:$work/profile"

"$PINDREL_SOURCE/localstore/register.sh" "$PINDREL_WINEPREFIX" "$dll" || { echo "FAIL: registration"; exit 1; }
script="Z:$PINDREL_SOURCE/tests/localstore/contract.vbs"

written=$(wine cscript //nologo "$script" write "Z:$work/out" | tr -d '\r') && status=0 || status=$?
echo "$written"
[ "$status" -eq 0 ] || { echo "FAIL: the writing client exited with $status"; exit 1; }
store=$(sed -n 's/^STORE //p' <<<"$written")
folder=$(sed -n 's/^FOLDER //p' <<<"$written")
item=$(sed -n 's/^ITEM //p' <<<"$written")
[ -n "$store" ] && [ -n "$folder" ] && [ -n "$item" ] || { echo "FAIL: no identifiers printed"; exit 1; }

read_back=$(wine cscript //nologo "$script" read "$store" "$folder" "$item" | tr -d '\r') && status=0 || status=$?
echo "$read_back"
[ "$status" -eq 0 ] || { echo "FAIL: the reading client exited with $status"; exit 1; }

expected=$(printf '%s\r\n' "BEGIN:VCARD" "VERSION:2.1" $'N:M\xc3\xbcller;Jane;;;' \
  $'FN:Jane M\xc3\xbcller' "ORG:Acme" "TEL;WORK;VOICE:+1 555 0100" "EMAIL;PREF;INTERNET:jane@example.org" \
  "NOTE;ENCODING=QUOTED-PRINTABLE:line one=0D=0Aline two" "BDAY:19800125" "END:VCARD")
actual=$(cat "$work/out/jane.vcf")
if [ "$actual" != "$expected" ]; then
  echo "FAIL: jane.vcf differs"
  diff <(printf '%s' "$expected" | od -c) <(printf '%s' "$actual" | od -c) | head -20
  exit 1
fi
[ ! -e "$work/out/jane.msg" ] || { echo "FAIL: an unsupported type wrote a file"; exit 1; }
echo "contract: all checks passed"
