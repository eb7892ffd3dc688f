#!/usr/bin/env bash
# The reader on files larger than memory should need: `tessary-dump --count`
# and `--count --decoded` (every card listed) and `--decoded` (every card
# read and decoded, the output thrown away) on a file of 45,000 cards with a
# 45 KB picture each (some 3 GB), and `--count` and `--decoded` on 1,000,000
# tiny cards. Prints each run's time and peak memory (the largest resident
# set), and for the tiny cards the memory per card above what reading a
# file of 1,000 of them takes. The files are made where LARGE_DIR says
# (/tmp unless set) and removed at the end.
#
#   tests/bench/large_file_bench.sh [native] [win64] [win32]
#                                   (from the repository root; native alone
#                                   unless asked; win32 runs under the
#                                   32-bit Wine, through qemu where the
#                                   kernel cannot run 32-bit code: slow)
set -euo pipefail
cd "$(dirname "$0")/../.."
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native)
dir=$(realpath -m "${LARGE_DIR:-/tmp}/tessary-large-$$")
mkdir -p "$dir"
prefixes=()
cleanup() {
  rm -rf "$dir"
  for p in "${prefixes[@]}"; do cmake/wine.sh "$p" stop || true; done
}
trap cleanup EXIT

cmake --preset bench >/dev/null
cmake --build --preset bench --target vcard-gen tessary-dump >/dev/null
build/bench/bin/vcard-gen --photo 46080 45000 "$dir/photos.vcf"
# The smallest card an exporter writes: a name and a number.
awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:C%d\r\nTEL:%d\r\nEND:VCARD\r\n", i, i }' \
  >"$dir/tiny.vcf"
head -n 5000 "$dir/tiny.vcf" >"$dir/tiny-1000.vcf"
printf 'photos.vcf: %s bytes; tiny.vcf: %s bytes\n' "$(stat -c %s "$dir/photos.vcf")" "$(stat -c %s "$dir/tiny.vcf")"

# run BUILD OPTIONS FILE: prints "seconds peak-KB first-output-line".
run() {
  local build=$1 file=$2
  shift 2
  local out=$dir/out stats=$dir/stats
  case "$build" in
    native) /usr/bin/time -f '%e %M' -o "$stats" build/bench/bin/tessary-dump "$@" "$file" >"$out" ;;
    *) /usr/bin/time -f '%e %M' -o "$stats" cmake/wine.sh "build/$build/wineprefix-bench" run \
         "build/$build/bin/tessary-dump.exe" "$@" "Z:$(echo "$file" | tr / '\\')" >"$out" ;;
  esac
  echo "$(cat "$stats") $(head -n 1 "$out")"
  [ "$(head -n 1 "$out")" != "" ]
}

for build in "${builds[@]}"; do
  case "$build" in
    native) ;;
    win64 | win32)
      cmake --preset "$build" >/dev/null
      cmake --build --preset "$build" --target tessary-dump >/dev/null
      prefixes+=("build/$build/wineprefix-bench")
      cmake/wine.sh "build/$build/wineprefix-bench" start ;;
    *) echo "unknown build '$build'" >&2; exit 2 ;;
  esac
  echo "== $build"
  printf '%-12s %-24s %8s %10s  %s\n' file options seconds "peak MB" "first line"
  for options in "--count" "--count --decoded" "--decoded"; do
    read -r seconds peak first < <(run "$build" "$dir/photos.vcf" $options)
    awk -v o="$options" -v s="$seconds" -v p="$peak" -v f="$first" \
      'BEGIN { printf "%-12s %-24s %8s %10.1f  %s\n", "photos.vcf", o, s, p / 1024, f }'
  done
  for options in "--count" "--decoded"; do
    read -r _ small _ < <(run "$build" "$dir/tiny-1000.vcf" $options)
    read -r seconds peak first < <(run "$build" "$dir/tiny.vcf" $options)
    awk -v o="$options" -v s="$seconds" -v p="$peak" -v q="$small" -v f="$first" 'BEGIN {
      printf "%-12s %-24s %8s %10.1f  %s; %.1f bytes a card above 1,000 cards\n", "tiny.vcf", o, s, p / 1024, f,
        (p - q) * 1024 / 999000 }'
  done
done
