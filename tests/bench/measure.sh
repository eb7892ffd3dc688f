#!/usr/bin/env bash
# Measures the reader against its targets on generated files of 1k, 10k and
# 100k contacts: Open's time against `cat FILE > /dev/null` in the same run,
# its peak memory against the file size, and how time grows with N; then
# the same for the modern reading's OpenDecoded (tessary-dump --decoded).
#
#   tests/bench/measure.sh            (from the repository root)
#   TESSARY_DUMP=/other/tessary-dump tests/bench/measure.sh
#                                     measures another build the same way
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bin=build/bench/bin
data=build/bench/data
dump=${TESSARY_DUMP:-$bin/tessary-dump}
mkdir -p "$data"

now_us() { echo $(( $(date +%s%N) / 1000 )); }

# Best of 9 runs each of `cat FILE > /dev/null` and of Open (with the
# options given after the file), taken in turns so that both see the same
# load on a shared machine. Prints "cat open", in microseconds.
best_pair() {
  local f=$1 best_cat= best_open=
  shift
  for _ in 1 2 3 4 5 6 7 8 9; do
    local t0 t1 t2
    t0=$(now_us); cat "$f" >/dev/null; t1=$(now_us)
    "$dump" --count "$@" "$f" >/dev/null; t2=$(now_us)
    if [ -z "$best_cat" ] || [ $((t1 - t0)) -lt "$best_cat" ]; then best_cat=$((t1 - t0)); fi
    if [ -z "$best_open" ] || [ $((t2 - t1)) -lt "$best_open" ]; then best_open=$((t2 - t1)); fi
  done
  echo "$best_cat $best_open"
}

for mode in Open OpenDecoded; do
  options=()
  [ "$mode" = OpenDecoded ] && options=(--decoded)
  echo "$mode"
  printf '%8s %10s %10s %10s %8s %10s %8s %12s\n' contacts "MB" "cat us" "open us" "ratio" "peak MB" "mem/size" "us/contact"
  for n in 1000 10000 100000; do
    f=$data/$n.vcf
    [ -s "$f" ] || "$bin/vcard-gen" "$n" "$f"
    bytes=$(stat -c %s "$f")
    cat "$f" >/dev/null
    read -r cat_us open_us < <(best_pair "$f" "${options[@]}")
    peak_kb=$(/usr/bin/time -f %M "$dump" --count "${options[@]}" "$f" 2>&1 >/dev/null | tail -1)
    count=$("$dump" --count "${options[@]}" "$f")
    [ "$count" = "ContactCount: $n" ] || { echo "wrong count for $n: $count"; exit 1; }
    awk -v n="$n" -v b="$bytes" -v c="$cat_us" -v o="$open_us" -v p="$peak_kb" 'BEGIN {
      printf "%8d %10.1f %10d %10d %8.2f %10.1f %8.2f %12.3f\n", n, b/1e6, c, o, o/c, p/1024, p*1024/b, o/n }'
  done
done
