#!/usr/bin/env bash
# `cmake --install` of a build into a scratch root (DESTDIR): the program in
# bin/, the plug-in where this build installs it, the menu entry and the icon
# at every size where desktops look. Usage: install_test.sh BUILD_DIR VST_DIR
set -euo pipefail
build=$1
vst_dir=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

DESTDIR="$root" cmake --install "$build" --prefix /usr >"$root.log" 2>&1 || { cat "$root.log"; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$root/usr/bin/quaxel2-standalone" ] || fail "no bin/quaxel2-standalone"
[ -f "$root$vst_dir/quaxel2.so" ] || fail "no quaxel2.so in $vst_dir"
desktop="$root/usr/share/applications/quaxel2-standalone.desktop"
[ -f "$desktop" ] || fail "no share/applications/quaxel2-standalone.desktop"
grep -qx 'Exec=quaxel2-standalone' "$desktop" || fail "the menu entry does not start quaxel2-standalone"
grep -qx 'Icon=quaxel2' "$desktop" || fail "the menu entry names another icon"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate refused the menu entry"
else
  echo "desktop-file-validate is not installed: the entry's syntax is not checked"
fi
for size in 48 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/quaxel2.png"
  [ -f "$icon" ] || fail "no icon at ${size}x${size}"
  # PNG signature, then the IHDR width and height as 32-bit big-endian numbers.
  header=$(od -An -tx1 -N24 "$icon" | tr -d ' \n')
  [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "the ${size}x${size} icon is not a PNG"
  [ $((16#${header:32:8})) -eq "$size" ] && [ $((16#${header:40:8})) -eq "$size" ] ||
    fail "the ${size}x${size} icon is $((16#${header:32:8}))x$((16#${header:40:8}))"
done
echo "installed and checked under $root"
