#!/usr/bin/env bash
# Builds the Debian package from the finished build (cpack installs the build tree; nothing
# is compiled again) into a temporary folder and checks it: its name, its contents
# (dpkg-deb -c), its control fields, and lintian reporting no error. The package is never
# installed.
set -euo pipefail
fail() { echo "FAILED: $*" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$CPACK" -G DEB --config "$VELORA_BUILD/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb="$tmp/${VELORA_PACKAGE_NAME}_${VELORA_VERSION}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$tmp" >&2; fail "no $(basename "$deb")"; }

echo "dpkg-deb -c $(basename "$deb"):"
listing=$(dpkg-deb -c "$deb")
echo "$listing"
id="$VELORA_APP_ID"
expected=(
  ./usr/bin/velora-resize
  "./usr/share/applications/$id.desktop"
  "./usr/share/metainfo/$id.metainfo.xml"
  "./usr/share/icons/hicolor/scalable/apps/$id.svg"
  ./usr/share/man/man1/velora-resize.1.gz
  ./usr/share/man/man1/velora-resizer.1.gz
  ./usr/share/bash-completion/completions/velora-resize
  "./usr/share/doc/$VELORA_PACKAGE_NAME/copyright"
  "./usr/share/doc/$VELORA_PACKAGE_NAME/changelog.gz"
  "./usr/share/doc/$VELORA_PACKAGE_NAME/user-guide.html"
)
for size in 16 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
[ "$VELORA_WITH_WINDOW" = 1 ] && expected+=(./usr/bin/velora-resizer)
for file in "${expected[@]}"; do
  grep -q " $file\$" <<<"$listing" || fail "not in the package: $file"
done
# Nothing outside /usr, every file owned by root.
! grep -v ' \./usr/\| \./$' <<<"$listing" || fail "files outside /usr"
! awk '$2 != "root/root"' <<<"$listing" | grep . || fail "files not owned by root"

fields=$(dpkg-deb -f "$deb" Package Version Architecture Maintainer Depends Section Description)
echo "$fields"
grep -qx "Version: $VELORA_VERSION" <<<"$fields" || fail "wrong version"
grep -q '^Maintainer: .*<.*@.*>$' <<<"$fields" || fail "no maintainer"
# dpkg-shlibdeps found the libraries the programs link.
for library in libc6 libjpeg62-turbo zlib1g; do
  grep -q "^Depends:.*\b$library\b" <<<"$fields" || fail "Depends lacks $library"
done
if [ "$VELORA_WITH_WINDOW" = 1 ]; then
  for library in libqt6widgets6 qt6-qpa-plugins; do
    grep -q "^Depends:.*\b$library\b" <<<"$fields" || fail "Depends lacks $library"
  done
fi

echo "lintian:"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
echo "package checked"
