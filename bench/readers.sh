#!/usr/bin/env bash
# The readers over the format libraries, for a 12-megapixel picture: first our reader
# against the library's bare decoding (velora_bench, readers12mp), then the whole
# conversion of the same picture as JPEG, HEIC, AVIF, WebP and TIFF with
# `velora-resize --jobs 1` (smaller by 2, Mitchell, quality 74), median of ROUNDS runs
# (default 5) of wall and processor seconds. The pictures and outputs lie on /dev/shm and
# are removed at the end. After `make build`; see bench/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
ROUNDS=${ROUNDS:-5}
work=$(mktemp -d /dev/shm/velora-readers.XXXXXX)
trap 'rm -rf "$work"' EXIT

BENCH_READERS_FILES=$work "$BUILD/bench/velora_bench" --benchmark_filter=readers12mp \
  --benchmark_counters_tabular=true

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '\n%-6s %10s %10s %12s\n' format "file MB" "wall s" "processor s"
for ext in jpg heic avif webp tiff; do
  file=$work/photo.$ext
  [ -f "$file" ] || continue
  walls=() cpus=()
  for _ in $(seq "$ROUNDS"); do
    rm -rf "$work/out"
    t=$( { /usr/bin/time -f '%e %U %S' "$BUILD/src/cli/velora-resize" --jobs 1 \
      --output "$work/out" "$file" >/dev/null; } 2>&1 | tail -n 1)
    read -r wall user sys <<<"$t"
    walls+=("$wall")
    cpus+=("$(echo "$user + $sys" | bc)")
  done
  printf '%-6s %10.1f %10s %12s\n' "$ext" "$(echo "$(stat -c %s "$file") / 1000000" | bc -l)" \
    "$(printf '%s\n' "${walls[@]}" | median)" "$(printf '%s\n' "${cpus[@]}" | median)"
done
