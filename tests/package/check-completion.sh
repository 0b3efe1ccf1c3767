#!/usr/bin/env bash
# Drives the bash completion of velora-resize as bash-completion does when TAB is
# pressed, and checks the offers: options, modes, filter names, and for arguments the
# folders and picture files only.
set -euo pipefail
fail() { echo "FAILED: $*" >&2; exit 1; }

loader=/usr/share/bash-completion/bash_completion
[ -f "$loader" ] || fail "$loader is missing (package bash-completion)"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/album"
touch "$tmp/album/cat.png" "$tmp/album/dog.JPG" "$tmp/album/notes.txt" "$tmp/album/old.gif"
mkdir "$tmp/album/more"

# Each case: the words typed so far (the last is the one being completed) and the offers
# expected, sorted and joined by blanks.
cases=(
  "velora-resize --fil|--files-from --filter"
  "velora-resize --filt|--filter"
  "velora-resize --no-|--no-enlarge --no-overwrite --no-protect"
  "velora-resize --mode |decrease fit height increase size width"
  "velora-resize --mode f|fit"
  "velora-resize --shard |"
  "velora-resize --files-from $tmp/album/n|$tmp/album/notes.txt"
  "velora-resize --mode s|size"
  "velora-resize --filter B|B-Spline Bell Box"
  "velora-resize --filter=L|Lanczos3"
  "velora-resize --quality |"
  "velora-resize --format |jpeg png same webp"
  "velora-resize --metadata=n|no-location none"
  "velora-resize --output $tmp/album/|$tmp/album/more"
  "velora-resize --quiet $tmp/album/|$tmp/album/cat.png $tmp/album/dog.JPG $tmp/album/more $tmp/album/old.gif"
)
for case in "${cases[@]}"; do
  line=${case%%|*}
  expected=${case#*|}
  offers=$(bash --norc --noprofile -c '
    source "$1"
    source "$2"
    line=$3
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    _velora_resize velora-resize "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
  ' completion "$loader" "$VELORA_SOURCE/data/bash-completion/velora-resize" "$line")
  offers=${offers% }
  [ "$offers" = "$expected" ] || fail "'$line': offered '$offers', expected '$expected'"
done
echo "completion checked"
