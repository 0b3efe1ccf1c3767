#!/usr/bin/env bash
# One velora-resize command split into 4 shards that GNU parallel runs as separate
# processes, as it would on 4 machines; one shard is killed half-way and run again with
# --no-overwrite. The outputs together must equal those of a single run, byte for byte,
# with nothing missing and nothing written twice.
#   parallel-shards.sh VELORA_RESIZE SAMPLES_FOLDER
set -euo pipefail

if [ "${1:-}" = shard ]; then
  # Worker: shard K of 4; shard 2 is killed (SIGKILL, as a machine that dies) after it has
  # logged its third picture.
  resize=$2 work=$3 k=$4
  args=(--mode fit --width 300 --height 300 --no-enlarge --filter Lanczos3 --jobs 1
        --recursive --output "$work/shards" --shard "$k/4" "$work/in")
  if [ "$k" != 2 ]; then
    exec "$resize" "${args[@]}" >"$work/shard$k.log"
  fi
  "$resize" "${args[@]}" >"$work/killed.log" &
  pid=$!
  until [ "$(grep -c '^File resized' "$work/killed.log" || true)" -ge 3 ] ||
        ! kill -0 "$pid" 2>/dev/null; do
    sleep 0.01
  done
  kill -KILL "$pid" 2>/dev/null || true
  { wait "$pid"; } 2>/dev/null || true  # no "Killed" notice from the shell
  exit 0
fi

resize=$1 samples=$2
if ! command -v parallel >/dev/null; then
  echo "SKIPPED: GNU parallel is not installed (Debian package 'parallel', see" \
       "scripts/install-deps); the shard run under it is not tested."
  exit 77
fi
fail() { echo "FAILED: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work  # GNU parallel keeps its state in ~/.parallel

# 48 different pictures in 12 folders of 4 top folders, made from the samples; large
# enough that a shard of 12 takes a while.
for i in $(seq 0 11); do
  "$resize" --quiet --mode width --side $((1600 + 40 * i)) \
    --output "$work/in/d$((i % 4))/e$i" "$samples" >/dev/null
done
total=$(find "$work/in" -name '*.jpg' | wc -l)
[ "$total" = 48 ] || fail "expected 48 pictures, made $total"

"$resize" --mode fit --width 300 --height 300 --no-enlarge --filter Lanczos3 --recursive \
  --output "$work/single" "$work/in" >"$work/single.log"
grep -qx 'Summary: 48 written, 0 skipped, 0 failed' "$work/single.log" || fail "single run"

parallel --will-cite -j4 "$0" shard "$resize" "$work" {} ::: 1 2 3 4
for k in 1 3 4; do
  grep -qx 'Summary: 12 written, 0 skipped, 0 failed' "$work/shard$k.log" || fail "shard $k"
done
killed=$(grep -c '^File resized' "$work/killed.log" || true)
grep -q '^Summary:' "$work/killed.log" && fail "the killed shard finished before it was killed"
# A killed process may leave its hidden temporary file; never a partial picture.
find "$work/shards" -name '.velora-*.tmp' -delete
present=$(find "$work/shards" -type f | wc -l)
[ "$present" -lt 48 ] || fail "nothing was missing after the kill"
echo "shard 2 killed after $killed logged pictures; $present of 48 outputs present"

# The killed shard again, as a scheduler retries it.
parallel --will-cite -j4 "$resize" --mode fit --width 300 --height 300 --no-enlarge \
  --filter Lanczos3 --jobs 1 --recursive --no-overwrite --output "$work/shards" \
  --shard {}/4 "$work/in" ::: 2 >"$work/rerun.log" || fail "the re-run failed"
kept=$((present - 36))
grep -qx "Summary: $((12 - kept)) written, $kept skipped, 0 failed" "$work/rerun.log" ||
  fail "re-run: $(tail -1 "$work/rerun.log"), expected $kept kept"

diff -r "$work/single" "$work/shards" || fail "the shards' outputs differ from one run's"
echo "4 shards, one killed and re-run: the same 48 outputs as one run"
