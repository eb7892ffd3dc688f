#!/usr/bin/env bash
# The modern reading of cards with pictures: 10,000 cards (COUNT= another
# number) with a 40 KB JPEG each, read (tessary-dump --count --decoded) and
# then read and walked card by card, every picture decoded (--decoded). The
# walk's peak memory beyond the read's is what the pictures cost: one card's
# at a time, however many there are.
#
#   tests/bench/pictures_bench.sh     (from the repository root)
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target tessary-dump >/dev/null
data=build/bench/data
mkdir -p "$data"
file=$data/pictures-${COUNT:-10000}.vcf
python3 - "$file" "${COUNT:-10000}" <<'PY'
import base64, random, sys
random.seed(1)
# A JPEG's start, its scan marker, 40 KB of scan data without 0xFF, its end.
picture = b'\xff\xd8\xff\xe0\xff\xda' + bytes(random.randrange(255) for _ in range(40 * 1024 - 8)) + b'\xff\xd9'
text = base64.b64encode(picture).decode()
photo = ''.join(' ' + text[i:i + 74] + '\r\n' for i in range(0, len(text), 74))
with open(sys.argv[1], 'w', newline='') as out:
    for n in range(int(sys.argv[2])):
        out.write(f'BEGIN:VCARD\r\nVERSION:2.1\r\nN:Doe{n};Pat\r\nFN:Pat Doe {n}\r\nTEL;CELL:555 {n:04d}\r\n'
                  f'PHOTO;TYPE=JPEG;ENCODING=BASE64:\r\n{photo}\r\nEND:VCARD\r\n')
PY
echo "$(stat -c %s "$file") bytes, ${COUNT:-10000} cards"
for mode in "--count --decoded" "--decoded"; do
  best=$(for _ in 1 2 3; do
    { /usr/bin/time -f "%M %e" build/bench/bin/tessary-dump $mode "$file" >/dev/null; } 2>&1
  done | sort -n -k2 | head -1)
  echo "$mode: peak ${best% *} KB, best of 3 ${best#* } s"
done
