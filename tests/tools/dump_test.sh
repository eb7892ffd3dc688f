#!/usr/bin/env bash
# tessary-dump prints the count, then each entry's non-empty fields, escaped.
set -euo pipefail
dump=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {
  if [[ "$dump" == *.exe ]]; then
    "$PINDREL_WINE" "$PINDREL_WINEPREFIX" run "$dump" "$@"
  else
    "$dump" "$@"
  fi
}

printf 'BEGIN:VCARD\r\nN:M\xc3\xbcller;J\r\nNOTE:a\\b\tc\x01\x7f\r\nmore\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Two\r\nEND:VCARD\r\n' > "$work/in.vcf"
expected='ContactCount: 2
[1]
Name: M\xC3\xBCller;J\n
Note: a\\b\tc\x01\x7F\n$$NEWLINE$$more\n
[2]
FullName: Two\n'
actual=$(run "$work/in.vcf")
fail=0
check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "--- expected"; echo "$2"; echo "--- actual"; echo "$3"; fail=1
  else
    echo "ok   $1"
  fi
}
check "full dump" "$expected" "$actual"
check "count only" "ContactCount: 2" "$(run --count "$work/in.vcf")"
check "separator" "$(printf 'ContactCount: 2\n[1]\nName: M\\xC3\\xBCller;J\\n\nNote: a\\\\b\\tc\\x01\\x7F\\n|more\\n\n[2]\nFullName: Two\\n')" \
  "$(run --separator '|' "$work/in.vcf")"
check "missing file" "ContactCount: 0" "$(run "$work/none.vcf")"
# The file by a name outside any ANSI code page, after a separator with
# spaces and quotes: every argument comes from the one parser.
name=$(printf '%s/J\xc3\xbcrgen \xe6\xbc\xa2\xe5\xad\x97 (1).vcf' "$work")
cp "$work/in.vcf" "$name"
expected='ContactCount: 2
[1]
Name: M\xC3\xBCller;J\n
Note: a\\b\tc\x01\x7F\n "x" more\n
[2]
FullName: Two\n'
check "wide name and quoted separator" "$expected" "$(run --separator ' "x" ' "$name")"
# --decoded: each card's properties as the modern reading decodes them,
# then its binary values as their media type and size.
printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nitem1.TEL;TYPE=cell,pref:+1 555\r\n 0100\r\nN:M\xc3\xbcller;J\\, R\r\nPHOTO;ENCODING=b:AAAA\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Two\r\n' > "$work/modern.vcf"
expected='ContactCount: 2
[1] version 3.0
item1.TEL (cell,pref): +1 5550100
N: M\xC3\xBCller;J, R
  1: M\xC3\xBCller
  2: J, R
PHOTO: <application/octet-stream, 3 bytes>
[2]
FN: Two'
check "decoded" "$expected" "$(run --decoded "$work/modern.vcf")"
check "decoded count" "ContactCount: 2" "$(run --count --decoded "$work/modern.vcf")"
set +e
run --bogus "$work/in.vcf" >/dev/null 2>&1; check "usage exit" 2 "$?"
run >/dev/null 2>&1; check "no file exit" 2 "$?"
exit $fail
