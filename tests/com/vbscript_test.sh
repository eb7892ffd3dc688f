#!/usr/bin/env bash
# Registers the freshly built Tessary.dll and lets a VBScript under Wine's
# cscript walk the sample file through it by ProgID.
set -euo pipefail
dll_unix=$1
wine() { "$PINDREL_WINE" "$PINDREL_WINEPREFIX" run "$@"; }
dll=$(wine winepath -w "$dll_unix" | tr -d '\r')
script=$(wine winepath -w "$PINDREL_SOURCE/tests/com/walk.vbs" | tr -d '\r')
sample=$(wine winepath -w "$PINDREL_SOURCE/samples/contacts.vcf" | tr -d '\r')
wine regsvr32 /s "$dll"
output=$(wine cscript //nologo "$script" "$sample" | tr -d '\r') && status=0 || status=$?
echo "$output"
expected=$'pass 1: 2 contacts\npass 2: 2 contacts'
if [ "$status" -ne 0 ] || [ "$output" != "$expected" ]; then
  echo "FAIL: cscript exited with $status"
  exit 1
fi
