#!/usr/bin/env bash
# Times velora-resize against the programs people use for the same job, on the same
# pictures, output sizes, filter and JPEG quality, and prints a table of each tool's cost
# per picture and its ratio to the floor (decoding the input plus encoding the output with
# libjpeg-turbo's own programs) and to velora-resize. See bench/README.md.
#
#   bench/peers.sh                      all workloads, 5 rounds
#   ROUNDS=9 WORKLOADS=shrink2 bench/peers.sh
#
# Environment: ROUNDS (default 5), WORKLOADS (default "shrink2 grow1.5 shrink5"),
# BUILD (the build folder, default build), TOOLS (see below).
#
# The machines this runs on are shared and noisy, so absolute times mean little: every
# tool run sits between two floor runs and its figure is its time over their mean.
set -euo pipefail

cd "$(dirname "$0")/.."
ROUNDS=${ROUNDS:-5}
BUILD=${BUILD:-build}
WORKLOADS=${WORKLOADS:-"shrink2 grow1.5 shrink5"}
VELORA=$PWD/$BUILD/src/cli/velora-resize
# The recipe's version is in the name: change the recipe, change the name.
CORPUS=$PWD/$BUILD/bench-corpus-v1
REPORT=$PWD/$BUILD/bench-peers.md

# The Debian programs by absolute path, so that another `convert` or `python3` found
# earlier on PATH takes no part.
IM_CONVERT=/usr/bin/convert
IM_MOGRIFY=/usr/bin/mogrify
IM_IDENTIFY=/usr/bin/identify
GM=/usr/bin/gm
VIPS=/usr/bin/vips
VIPSTHUMBNAIL=/usr/bin/vipsthumbnail
PYTHON=/usr/bin/python3
DJPEG=/usr/bin/djpeg
CJPEG=/usr/bin/cjpeg

# The timed tools, in their first round's order; `floor` runs between them. TOOLS in the
# environment (names as below, separated by blanks) times only some; keep `velora`, the
# one every ratio is taken to.
read -r -a TOOLS <<<"${TOOLS:-velora-j1 velora-j1-sse2 velora imagemagick graphicsmagick vips-resize vipsthumbnail pillow}"

say() { echo "peers: $*" >&2; }
die() {
  say "$*"
  exit 1
}

label() {
  case $1 in
    floor) echo "floor (djpeg + cjpeg)" ;;
    velora-j1) echo "velora-resize --jobs 1" ;;
    velora-j1-sse2) echo "velora-resize --jobs 1, SSE2 kernels" ;;
    velora) echo "velora-resize" ;;
    imagemagick) echo "ImageMagick mogrify" ;;
    graphicsmagick) echo "GraphicsMagick mogrify" ;;
    vips-resize) echo "vips resize" ;;
    vipsthumbnail) echo "vipsthumbnail" ;;
    pillow) echo "Pillow" ;;
  esac
}

# --- the peers --------------------------------------------------------------------------

install_peers() {
  local missing=()
  [ -x "$IM_MOGRIFY" ] && [ -x "$IM_CONVERT" ] && [ -x "$IM_IDENTIFY" ] || missing+=(imagemagick)
  [ -x "$GM" ] || missing+=(graphicsmagick)
  [ -x "$VIPS" ] && [ -x "$VIPSTHUMBNAIL" ] || missing+=(libvips-tools)
  [ -x "$PYTHON" ] && "$PYTHON" -c 'import PIL' 2>/dev/null || missing+=(python3-pil)
  [ -x "$DJPEG" ] && [ -x "$CJPEG" ] || missing+=(libjpeg-turbo-progs)
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

versions() {
  echo "- velora-resize: $("$VELORA" --version 2>&1 | head -1)"
  echo "- ImageMagick: $("$IM_CONVERT" -version | head -1 | sed 's/^Version: //')"
  echo "- GraphicsMagick: $("$GM" -version | head -1)"
  echo "- libvips: $("$VIPS" --version)"
  echo "- Pillow: $("$PYTHON" -c 'import PIL; print(PIL.__version__)')"
  echo "- libjpeg-turbo (djpeg, cjpeg): $(dpkg-query -W -f='${Version}' libjpeg-turbo-progs 2>/dev/null || echo unknown)"
}

# --- the pictures -----------------------------------------------------------------------

# Photo-like content from a fixed seed: a plasma's smooth colour fields, softened, with
# sensor-like noise on top, saved at quality 90 with 4:2:0 chroma like most cameras. The
# noise sets the entropy and so the decoding cost: about 3.8 MB and 60 ms of djpeg for
# 4000x3000, close to a camera's photo.
make_picture() { # seed width height file
  "$IM_CONVERT" -seed "$1" -size "$2x$3" plasma:fractal -blur 0x1 -attenuate 0.5 \
    +noise Gaussian -strip -sampling-factor 2x2 -quality 90 "$4"
}

make_corpus() {
  [ -f "$CORPUS/complete" ] && return 0
  say "making the pictures in $CORPUS (once; about a minute)"
  local tmp="$CORPUS.part" i
  rm -rf "$tmp"
  mkdir -p "$tmp/large" "$tmp/small"
  for i in $(seq 1 12); do
    make_picture "$i" 4000 3000 "$tmp/large/$(printf 'photo-%02d.jpg' "$i")" &
    [ "$(jobs -r | wc -l)" -lt "$(nproc)" ] || wait -n
  done
  for i in $(seq 1 8); do
    make_picture "$((100 + i))" 640 480 "$tmp/small/$(printf 'photo-%02d.jpg' "$i")" &
    [ "$(jobs -r | wc -l)" -lt "$(nproc)" ] || wait -n
  done
  wait
  local made
  made=$(find "$tmp" -name '*.jpg' | wc -l)
  [ "$made" -eq 20 ] || die "making the pictures failed ($made of 20)"
  touch "$tmp/complete"
  rm -rf "$CORPUS"
  mv "$tmp" "$CORPUS"
}

# --- the output folder on tmpfs ---------------------------------------------------------

TMP=""
MOUNTED=0
setup_tmp() {
  if [ "$(id -u)" -eq 0 ]; then
    TMP=$(mktemp -d /tmp/velora-bench.XXXXXX)
    if mount -t tmpfs -o size=2g,mode=0700 velora-bench "$TMP" 2>/dev/null; then
      MOUNTED=1
      return 0
    fi
    rmdir "$TMP"
  fi
  [ -d /dev/shm ] || die "no tmpfs: neither root (to mount one) nor /dev/shm"
  TMP=$(mktemp -d /dev/shm/velora-bench.XXXXXX)
}

cleanup() {
  [ -n "$TMP" ] || return 0
  # An interruption can land while a tool's output goes to a log on the tmpfs: let go of
  # it, or the tmpfs stays busy.
  exec >&3 2>&4
  rm -rf "${TMP:?}"/* 2>/dev/null || true
  if [ $MOUNTED -eq 1 ]; then umount "$TMP" || true; fi
  rmdir "$TMP" 2>/dev/null || true
}

# --- the workloads ----------------------------------------------------------------------

# Sets the current workload: its inputs (copied onto tmpfs), output size, and the
# output-sized pictures the floor encodes.
W_NAME="" W_TEXT="" W_MODE="" W_FACTOR="" W_SCALE="" W_W=0 W_H=0
IN_DIR="" IN_FILES=() NAMES=() PPM_FILES=()
set_workload() {
  local set
  case $1 in
    shrink2)
      set=large W_MODE=decrease W_FACTOR=2.0 W_SCALE=0.5 W_W=2000 W_H=1500
      W_TEXT="12 pictures of 4000x3000 shrunk by 2 to 2000x1500"
      ;;
    grow1.5)
      set=small W_MODE=increase W_FACTOR=1.5 W_SCALE=1.5 W_W=960 W_H=720
      W_TEXT="8 pictures of 640x480 grown by 1.5 to 960x720"
      ;;
    shrink5)
      set=large W_MODE=decrease W_FACTOR=5.0 W_SCALE=0.2 W_W=800 W_H=600
      W_TEXT="12 pictures of 4000x3000 shrunk by 5 to 800x600"
      ;;
    *) die "unknown workload $1 (shrink2, grow1.5, shrink5)" ;;
  esac
  W_NAME=$1
  W_TEXT="$W_TEXT, Mitchell, quality 74"
  IN_DIR=$TMP/in-$set
  if [ ! -d "$IN_DIR" ]; then cp -r "$CORPUS/$set" "$IN_DIR"; fi
  IN_FILES=("$IN_DIR"/*.jpg)
  NAMES=()
  PPM_FILES=()
  local ppm_dir=$TMP/ppm-$W_NAME f
  mkdir -p "$ppm_dir"
  for f in "${IN_FILES[@]}"; do
    NAMES+=("${f##*/}")
    PPM_FILES+=("$ppm_dir/${f##*/}.ppm")
    [ -f "$ppm_dir/${f##*/}.ppm" ] ||
      "$IM_CONVERT" "$f" -filter Mitchell -resize "${W_W}x${W_H}!" "$ppm_dir/${f##*/}.ppm"
  done
}

# --- the tools: each converts the workload's pictures into the folder $1 ----------------

run_floor() {
  local i
  for i in "${!IN_FILES[@]}"; do
    "$DJPEG" -dct float "${IN_FILES[i]}" >/dev/null || return 1
    "$CJPEG" -dct float -quality 74 "${PPM_FILES[i]}" >"$1/${NAMES[i]}" || return 1
  done
}

run_velora-j1() {
  "$VELORA" --mode "$W_MODE" --factor "$W_FACTOR" --filter Mitchell --quality 74 --jobs 1 \
    --output "$1" --quiet "$IN_DIR"
}

# What a processor without AVX2 runs: the SSE2 kernels in place of the best ones.
run_velora-j1-sse2() {
  VELORA_KERNELS=sse2 run_velora-j1 "$1"
}

run_velora() {
  "$VELORA" --mode "$W_MODE" --factor "$W_FACTOR" --filter Mitchell --quality 74 \
    --output "$1" --quiet "$IN_DIR"
}

# mogrify is ImageMagick's batch form: one process, one picture in memory at a time
# (`convert` with many inputs would hold them all).
run_imagemagick() {
  "$IM_MOGRIFY" -path "$1" -filter Mitchell -resize "${W_W}x${W_H}!" -quality 74 "${IN_FILES[@]}"
}

# GraphicsMagick puts an input's own path below -output-directory, so it gets bare names.
run_graphicsmagick() {
  (cd "$IN_DIR" && "$GM" mogrify -output-directory "$1" -filter Mitchell \
    -resize "${W_W}x${W_H}!" -quality 74 "${NAMES[@]}")
}

# `vips resize` takes one picture per process: a loop, as a user would write it.
run_vips-resize() {
  local i
  for i in "${!IN_FILES[@]}"; do
    "$VIPS" resize "${IN_FILES[i]}" "$1/${NAMES[i]}[Q=74]" "$W_SCALE" --kernel mitchell || return 1
  done
}

# vipsthumbnail has no choice of kernel (it uses Lanczos 3) and decodes JPEG at a
# reduced scale when shrinking, so it does less work than the others.
run_vipsthumbnail() {
  "$VIPSTHUMBNAIL" --size "${W_W}x${W_H}!" -o "$1/%s.jpg[Q=74]" "${IN_FILES[@]}"
}

# Pillow has no Mitchell; BICUBIC (a cubic with a = -0.5, support 2) is its nearest.
PILLOW_BATCH='
import os, sys
from PIL import Image
w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
for path in sys.argv[4:]:
    with Image.open(path) as im:
        im.resize((w, h), Image.Resampling.BICUBIC).save(
            os.path.join(out, os.path.basename(path)), quality=74)
'
run_pillow() {
  "$PYTHON" -c "$PILLOW_BATCH" "$W_W" "$W_H" "$1" "${IN_FILES[@]}"
}

# --- timing -----------------------------------------------------------------------------

# Every output must be the workload's size at quality 74 with 4:2:0 chroma, or the
# comparison is void.
check_outputs() { # tool folder
  local n want got
  n=$(find "$2" -name '*.jpg' | wc -l)
  [ "$n" -eq ${#IN_FILES[@]} ] || die "$(label "$1") wrote $n pictures of ${#IN_FILES[@]}"
  want="${W_W}x${W_H} 74 2x2,1x1,1x1"
  got=$("$IM_IDENTIFY" -format '%wx%h %Q %[jpeg:sampling-factor]\n' "$2"/*.jpg | sort -u)
  [ "$got" = "$want" ] || die "$(label "$1") wrote '$got', not '$want'"
}

# Runs one batch into a fresh output folder and sets LAST_US to its wall time.
LAST_US=0
time_run() { # tool [check]
  local out t0 t1
  out=$(mktemp -d "$TMP/out.XXXXXX")
  t0=${EPOCHREALTIME/./}
  if ! "run_$1" "$out" >"$TMP/log" 2>&1; then
    cat "$TMP/log" >&2
    die "$(label "$1") failed"
  fi
  t1=${EPOCHREALTIME/./}
  [ "${2:-}" != check ] || check_outputs "$1" "$out"
  rm -rf "$out"
  LAST_US=$((t1 - t0))
}

# One untimed run of everything (which also checks the outputs and warms the caches),
# then ROUNDS rounds of: floor, tool, floor, tool, ..., floor, with the tools' order
# rotated by one each round.
measure() { # results-file
  local tool r i n=${#TOOLS[@]} before
  for tool in floor "${TOOLS[@]}"; do time_run "$tool" check; done
  for r in $(seq 1 "$ROUNDS"); do
    say "$W_NAME: round $r of $ROUNDS"
    time_run floor
    before=$LAST_US
    echo "$W_NAME floor $r $before" >>"$1"
    for i in $(seq 0 $((n - 1))); do
      tool=${TOOLS[$(((i + r - 1) % n))]}
      time_run "$tool"
      local t=$LAST_US
      time_run floor
      echo "$W_NAME floor $r $LAST_US" >>"$1"
      echo "$W_NAME $tool $r $t $before $LAST_US" >>"$1"
      before=$LAST_US
    done
  done
}

# Medians over the rounds; a tool's ratio to velora-resize is the quotient of the two
# tools' median ratios to the floor.
REPORT_PY='
import statistics, sys
results, labels = sys.argv[1], dict(a.split("=", 1) for a in sys.argv[2:])
rows = {}
for line in open(results):
    f = line.split()
    rows.setdefault(f[0], {}).setdefault(f[1], []).append([int(x) for x in f[3:]])
# The tools in the order they were named (floor first), those that ran.
order = [t for t in labels if ":" not in t]
for wl, tools in rows.items():
    n, text = int(labels["count:" + wl]), labels["text:" + wl]
    print(f"\n### {text}\n")
    print("| tool | ms per picture | x floor | x velora-resize | x floor, min-max |")
    print("|---|---:|---:|---:|---:|")
    ratio = {"floor": [1.0]}
    for t, runs in tools.items():
        if t != "floor":
            ratio[t] = [r[0] / ((r[1] + r[2]) / 2) for r in runs]
    velora = statistics.median(ratio["velora"])
    for t in (t for t in order if t in tools):
        ms = statistics.median(r[0] for r in tools[t]) / n / 1000
        x = statistics.median(ratio[t])
        print(f"| {labels[t]} | {ms:.1f} | {x:.2f} | {x / velora:.2f} "
              f"| {min(ratio[t]):.2f}-{max(ratio[t]):.2f} |")
'

report() { # results-file
  local args=() t wl
  for t in floor "${TOOLS[@]}"; do args+=("$t=$(label "$t")"); done
  for wl in $WORKLOADS; do
    set_workload "$wl"
    args+=("text:$wl=$W_TEXT" "count:$wl=${#IN_FILES[@]}")
  done
  echo "## Peer comparison, $(date '+%Y-%m-%d %H:%M')"
  echo
  echo "- machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
  echo "- rounds: $ROUNDS; load average before: $LOAD_BEFORE, after: $(cut -d' ' -f1-3 /proc/loadavg)"
  versions
  "$PYTHON" -c "$REPORT_PY" "$1" "${args[@]}"
}

# --- main -------------------------------------------------------------------------------

[[ $ROUNDS =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"
[ "$ROUNDS" -ge 5 ] || say "fewer than 5 rounds: the medians are only a rough guide"
# CORPUS_ONLY=1: just make the pictures (for bench/window.sh), which needs ImageMagick only.
if [ "${CORPUS_ONLY:-0}" = 1 ]; then
  [ -x "$IM_CONVERT" ] || install_peers
  make_corpus
  exit 0
fi
[ -x "$VELORA" ] || die "$VELORA is missing: run 'make build' first"
install_peers
make_corpus
exec 3>&1 4>&2
setup_tmp
trap cleanup EXIT
trap 'exit 130' INT TERM
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
say "output folders on $TMP ($([ $MOUNTED -eq 1 ] && echo "a tmpfs mounted for this run" || echo /dev/shm))"
for wl in $WORKLOADS; do
  set_workload "$wl"
  measure "$TMP/results"
done
report "$TMP/results" | tee "$REPORT"
say "the table is also in $REPORT"
