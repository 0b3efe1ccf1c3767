#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under /usr, as the package does, and checks
# what a user gets: every file in its place, the installed velora-resize runs and converts
# the samples, and the desktop entry, the AppStream metainfo and the man pages pass
# Debian's validators without a warning.
set -euo pipefail
fail() { echo "FAILED: $*" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
DESTDIR="$tmp/root" "$CMAKE" --install "$VELORA_BUILD" --prefix /usr >/dev/null
usr="$tmp/root/usr"
id="$VELORA_APP_ID"

expected=(
  bin/velora-resize
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/velora-resize.1.gz
  share/man/man1/velora-resizer.1.gz
  share/bash-completion/completions/velora-resize
  "share/doc/$VELORA_PACKAGE_NAME/copyright"
  "share/doc/$VELORA_PACKAGE_NAME/changelog.gz"
  "share/doc/$VELORA_PACKAGE_NAME/user-guide.html"
)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
[ "$VELORA_WITH_WINDOW" = 1 ] && expected+=(bin/velora-resizer)
for file in "${expected[@]}"; do
  [ -f "$usr/$file" ] || fail "not installed: /usr/$file"
done
[ -x "$usr/bin/velora-resize" ] || fail "velora-resize is not executable"

version=$("$usr/bin/velora-resize" --version)
[ "$version" = "velora-resize $VELORA_VERSION" ] || fail "--version printed '$version'"

# A conversion of the samples by the installed program, into a folder of the test's own.
"$usr/bin/velora-resize" --quiet --output "$tmp/out" "$VELORA_SOURCE/samples" ||
  fail "velora-resize could not convert samples/"
for sample in bmp-sample gif-sample jpeg-sample png-sample; do
  [ "$(head -c 3 "$tmp/out/$sample.jpg" | od -An -tx1 | tr -d ' ')" = ffd8ff ] ||
    fail "$sample.jpg is missing or no JPEG file"
done

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx "Exec=velora-resizer %F" "$usr/share/applications/$id.desktop" ||
  fail "the desktop entry does not start velora-resizer with the files"
grep -qx "Icon=$id" "$usr/share/applications/$id.desktop" || fail "the entry's icon is not $id"

# Errors and warnings fail; infos (such as the .example domain not being a known
# top-level domain) do not.
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" ||
  fail "appstreamcli validate"
grep -q "<release version=\"$VELORA_VERSION\"" "$usr/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo has no release entry for $VELORA_VERSION"

for page in velora-resize velora-resizer; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" \
    2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man --warnings on $page(1): $warnings"
done

# Every option of --help appears in the command line's man page.
options=$("$usr/bin/velora-resize" --help | grep -o -- '--[a-z-]*' | sort -u)
page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$usr/share/man/man1/velora-resize.1.gz" 2>/dev/null)
for option in $options; do
  grep -q -- "$option" <<<"$page" || fail "velora-resize(1) does not describe $option"
done
# The user guide that F1 opens, where the window looks for it: beside bin/, below the
# prefix.
guide="$usr/share/doc/$VELORA_PACKAGE_NAME/user-guide.html"
grep -q "<title>Velora Image Resizer user guide</title>" "$guide" || fail "the user guide has no title"
grep -q "<h2>Keys</h2>" "$guide" || fail "the user guide has no keys"
echo "installed tree checked"
