#!/usr/bin/env bash
# Kills writers part-way through runs of saves, many times, and checks that
# every contact whose Save had returned before the kill (the writer prints
# each one after Save) is in the profile, whole, exactly once, and that every
# item the folder lists still loads. Two writers share the profile in each
# round, so the locks between processes are exercised too. A last writer
# that is not killed then saves after whatever torn records the kills left,
# and its contacts must be whole too. The kill points are random; the seed
# is printed, and LOCALSTORE_DURABILITY_SEED repeats a run.
set -uo pipefail
writer=$1
rounds=${LOCALSTORE_DURABILITY_ROUNDS:-8}
seed=${LOCALSTORE_DURABILITY_SEED:-$RANDOM}
RANDOM=$seed
echo "seed $seed"
wine() { "$PINDREL_WINE" "$PINDREL_WINEPREFIX" run "$@"; }
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/profile"
export LOCALSTORE_PROFILE="Z:$work/profile"
: >"$work/saved"

lines() { [ -f "$1" ] && wc -l <"$1" || echo 0; }
# The whole lines a writer printed (a Windows program ends them with CR LF).
saves() { tr -d '\r' <"$1" | grep -E '^[0-9A-F]{48} [0-9]+$'; }

for round in $(seq 1 "$rounds"); do
  # Each round kills after a different number of saves.
  target=$(( RANDOM % 23 + 3 ))
  pids=()
  for w in 1 2; do
    first=$(( (round * 10 + w) * 1000 ))
    # Started directly (not through the function) so $! is the process
    # itself: wine.sh and wine exec down to the Windows program.
    "$PINDREL_WINE" "$PINDREL_WINEPREFIX" run "$writer" write "$first" 100000 >"$work/out.$w" 2>"$work/err.$w" &
    pids+=($!)
  done
  # Wait for the state (enough saves reported), not for a time; a writer
  # that died on its own fails the test.
  while [ "$(lines "$work/out.1")" -lt "$target" ] || [ "$(lines "$work/out.2")" -lt "$target" ]; do
    for pid in "${pids[@]}"; do
      kill -0 "$pid" 2>/dev/null || { echo "FAIL: a writer ended early"; cat "$work"/err.*; exit 1; }
    done
    sleep 0.05
  done
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  pids=()
  # Only whole lines were printed after a Save returned.
  for w in 1 2; do saves "$work/out.$w" >>"$work/saved"; done
  echo "round $round: killed after $(lines "$work/out.1") and $(lines "$work/out.2") saves"
done

wine "$writer" write 900000 5 >"$work/out.last" 2>"$work/err.last" || { echo "FAIL: a writer after the kills"; cat "$work/err.last"; exit 1; }
saves "$work/out.last" >>"$work/saved"
[ "$(wc -l <"$work/saved")" -gt 0 ] || { echo "FAIL: no save was reported"; exit 1; }
# Wine's server may still be tidying up after the killed processes.
wine "$writer" check "Z:$work/saved" || { echo "FAIL: contacts saved before a kill are missing or damaged"; exit 1; }
echo "durability: all checks passed"
