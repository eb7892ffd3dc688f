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

# The README's example of the modern reading, on a file of two cards.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jane Roe\r\nitem1.TEL;TYPE=cell,pref:+1 555\r\n 0100\r\nADR;TYPE=work:;;1 Main St\\, Suite 2;Springfield\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0A=\r\nb\r\nEND:VCARD\r\n' > "$work/two.vcf"
script=$(wine winepath -w "$PINDREL_SOURCE/tests/com/decoded.vbs" | tr -d '\r')
file=$(wine winepath -w "$work/two.vcf" | tr -d '\r')
output=$(wine cscript //nologo "$script" "$file" | tr -d '\r') && status=0 || status=$?
echo "$output"
expected='2 cards
Card 1
  FN: Jane Roe
  item1.TEL (cell,pref): +1 5550100
  ADR (work): ;;1 Main St, Suite 2;Springfield
    1: 
    2: 
    3: 1 Main St, Suite 2
    4: Springfield
Card 2
  NOTE: a
b'
if [ "$status" -ne 0 ] || [ "$output" != "$expected" ]; then
  echo "FAIL: the modern reading's example (cscript exited with $status)"
  exit 1
fi

# The README's example of the pictures: every binary value of the sample
# cards (and one cut short), each an array of bytes. (Wine's VBScript cannot
# look into one and its prefix has no ADODB: the bytes are compared by the
# C++ client, which calls the same members late-bound.)
{ cat "$PINDREL_SOURCE/tests/data/pictures/addressbook-3.0-pictures.vcf"
  printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cut\r\nPHOTO;ENCODING=b;TYPE=JPEG:QUJDR\r\nEND:VCARD\r\n'; } > "$work/pictures.vcf"
script=$(wine winepath -w "$PINDREL_SOURCE/tests/com/pictures.vbs" | tr -d '\r')
file=$(wine winepath -w "$work/pictures.vcf" | tr -d '\r')
output=$(wine cscript //nologo "$script" "$file" | tr -d '\r') && status=0 || status=$?
echo "$output"
expected='card 1: PHOTO image/jpeg, 752 bytes
card 1: LOGO image/png, 156 bytes
card 2: PHOTO image/gif, 89 bytes
card 4: PHOTO image/jpeg, 0 bytes (the value is cut short)'
if [ "$status" -ne 0 ] || [ "$output" != "$expected" ]; then
  echo "FAIL: the pictures' example (cscript exited with $status)"
  exit 1
fi
