#!/usr/bin/env bash
# The window's runs against velora-resize on the same pictures: 12 photos of 4000x3000
# shrunk by 2 (Mitchell, quality 74), ROUNDS rounds (default 5), medians. The window is
# driven as a user drives it (folder, "Select all", F9) with "Show preview panel" on, as
# after a first start, and reports the longest time its thread handled no events. Last,
# one picture of 100 megapixels is opened by a double click, for the same stall figure.
# Offscreen unless QT_QPA_PLATFORM is set (xvfb-run works as well).
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
mkdir "$work/photos" "$work/big"
cp "$PWD/$BUILD/bench-corpus-v1/large/"*.jpg "$work/photos/"
count=$(ls "$work/photos"/*.jpg | wc -l)

ms() { echo $(($(date +%s%N) / 1000000)); }
# "window batch: 1234 ms wall; longest stall 12 ms; ..." -> "1234 12"
figures() { sed -n 's/^window [a-z]*: \([0-9]*\) ms wall; longest stall \([0-9]*\) ms.*/\1 \2/p'; }
declare -a j1 dflt win stall
for round in $(seq 1 "$ROUNDS"); do
  rm -rf "$work/out" "$work/photos/Output"
  t0=$(ms)
  "$VELORA" --mode decrease --factor 2.0 --filter Mitchell --quality 74 --jobs 1 --output "$work/out" --quiet "$work/photos"
  t1=$(ms)
  rm -rf "$work/out"
  "$VELORA" --mode decrease --factor 2.0 --filter Mitchell --quality 74 --output "$work/out" --quiet "$work/photos"
  t2=$(ms)
  read -r w s < <("$WINDOW" --preview "$work/photos" decrease 2.0 2>/dev/null | figures)
  j1+=($((t1 - t0))) dflt+=($((t2 - t1))) win+=("$w") stall+=("$s")
  echo "round $round: --jobs 1 $((t1 - t0)) ms, default $((t2 - t1)) ms, window $w ms (stall $s ms)" >&2
done
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
mj1=$(median "${j1[@]}") md=$(median "${dflt[@]}") mw=$(median "${win[@]}")
ms_max=$(printf '%s\n' "${stall[@]}" | sort -n | tail -1)

# One picture of 12000 x 8400 (a smooth field with noise, quality 90), opened alone.
convert -size 12000x8400 gradient:navy-orange -attenuate 0.4 +noise Gaussian -quality 90 \
  "$work/big/scan.jpg"
declare -a big_wall big_stall
for round in $(seq 1 3); do
  rm -rf "$work/big/Output"
  read -r w s < <("$WINDOW" --preview --single "$work/big" decrease 2.0 2>/dev/null | figures)
  big_wall+=("$w") big_stall+=("$s")
  echo "100 MP round $round: window $w ms (stall $s ms)" >&2
done

echo "| run | ms per picture | to --jobs 1 | to default | longest stall ms |"
echo "|---|---|---|---|---|"
awk -v n="$count" -v a="$mj1" -v b="$md" -v c="$mw" -v s="$ms_max" 'BEGIN {
  printf "| velora-resize --jobs 1 | %.0f | 1.00 | %.2f | |\n", a / n, a / b
  printf "| velora-resize (default jobs) | %.0f | %.2f | 1.00 | |\n", b / n, b / a
  printf "| window batch, preview on | %.0f | %.2f | %.2f | %s (worst of the rounds) |\n", c / n, c / a, c / b, s
}'
printf '| window, one 100 MP picture | %s | | | %s (worst of 3) |\n' "$(median "${big_wall[@]}")" \
  "$(printf '%s\n' "${big_stall[@]}" | sort -n | tail -1)"
