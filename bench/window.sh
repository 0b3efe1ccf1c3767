#!/usr/bin/env bash
# The window's batch against velora-resize on the same pictures: 12 photos of 4000x3000
# shrunk by 2 (Mitchell, quality 74), ROUNDS rounds (default 5), medians in ms per picture.
# The window runs offscreen, driven as a user drives it: folder, "Select all", F9.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
ROUNDS=${ROUNDS:-5}
VELORA=$PWD/$BUILD/src/cli/velora-resize
WINDOW=$PWD/$BUILD/bench/velora-window-batch
[ -x "$VELORA" ] && [ -x "$WINDOW" ] || { echo "window: run 'make build' first" >&2; exit 1; }
CORPUS_ONLY=1 BUILD=$BUILD bench/peers.sh
work=$(mktemp -d /dev/shm/velora-window.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$PWD/$BUILD/bench-corpus-v1/large/"*.jpg "$work/"
count=$(ls "$work"/*.jpg | wc -l)

ms() { echo $(($(date +%s%N) / 1000000)); }
declare -a j1 dflt win
for round in $(seq 1 "$ROUNDS"); do
  rm -rf "$work/out" "$work/Output"
  t0=$(ms)
  "$VELORA" --mode decrease --factor 2.0 --filter Mitchell --quality 74 --jobs 1 --output "$work/out" --quiet "$work"
  t1=$(ms)
  rm -rf "$work/out"
  "$VELORA" --mode decrease --factor 2.0 --filter Mitchell --quality 74 --output "$work/out" --quiet "$work"
  t2=$(ms)
  w=$("$WINDOW" "$work" decrease 2.0 2>/dev/null | sed -n 's/^window batch: \([0-9]*\) ms.*/\1/p')
  j1+=($((t1 - t0))) dflt+=($((t2 - t1))) win+=("$w")
  echo "round $round: --jobs 1 $((t1 - t0)) ms, default $((t2 - t1)) ms, window $w ms" >&2
done
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
mj1=$(median "${j1[@]}") md=$(median "${dflt[@]}") mw=$(median "${win[@]}")
echo "| run | ms per picture | to --jobs 1 |"
echo "|---|---|---|"
awk -v n="$count" -v a="$mj1" -v b="$md" -v c="$mw" 'BEGIN {
  printf "| velora-resize --jobs 1 | %.0f | 1.00 |\n", a / n
  printf "| velora-resize (default jobs) | %.0f | %.2f |\n", b / n, b / a
  printf "| window batch (offscreen) | %.0f | %.2f |\n", c / n, c / a
}'
