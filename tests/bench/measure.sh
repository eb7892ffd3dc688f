#!/usr/bin/env bash
# Measures the reader against its targets on generated files of 1k, 10k and
# 100k contacts: Open's time against `cat FILE > /dev/null` in the same run,
# its peak memory against the file size, and how time grows with N.
#
#   tests/bench/measure.sh            (from the repository root)
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bin=build/bench/bin
data=build/bench/data
mkdir -p "$data"

best_ms() {  # best of 7 runs of a command, in milliseconds
  local best=
  for _ in 1 2 3 4 5 6 7; do
    local t0 t1
    t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N)
    local ms=$(( (t1 - t0) / 1000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"   # microseconds, despite the name of the caller's column
}

printf '%8s %10s %10s %10s %8s %10s %8s %12s\n' contacts "MB" "cat us" "open us" "ratio" "peak MB" "mem/size" "us/contact"
for n in 1000 10000 100000; do
  f=$data/$n.vcf
  [ -s "$f" ] || "$bin/vcard-gen" "$n" "$f"
  bytes=$(stat -c %s "$f")
  cat "$f" >/dev/null
  cat_us=$(best_ms cat "$f")
  open_us=$(best_ms "$bin/tessary-dump" --count "$f")
  peak_kb=$(/usr/bin/time -f %M "$bin/tessary-dump" --count "$f" 2>&1 >/dev/null | tail -1)
  count=$("$bin/tessary-dump" --count "$f")
  [ "$count" = "ContactCount: $n" ] || { echo "wrong count for $n: $count"; exit 1; }
  awk -v n="$n" -v b="$bytes" -v c="$cat_us" -v o="$open_us" -v p="$peak_kb" 'BEGIN {
    printf "%8d %10.1f %10d %10d %8.2f %10.1f %8.2f %12.3f\n", n, b/1e6, c, o, o/c, p/1024, p*1024/b, o/n }'
done
