#!/usr/bin/env bash
# Takes docs/editor.png: the editor in quaxel2-editor-host on a private X
# server (Xvfb), with a chord playing so that the meters show it.
# SCALE=200 takes docs/editor-200.png, the window at 200 % (150 likewise).
# Needs xvfb, x11-utils and imagemagick. BUILD_DIR picks the build (build/).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
scale=${SCALE:-100}
case "$scale" in
  100) out=docs/editor.png; size=820x505 ;;
  150) out=docs/editor-150.png; size=1230x758 ;;
  200) out=docs/editor-200.png; size=1640x1010 ;;
  *) echo "SCALE is 100, 150 or 200" >&2; exit 2 ;;
esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAXEL2_WERROR=ON -DQUAXEL2_BUILD_BENCH=OFF
fi
cmake --build "$build" -j"$(nproc)" --target quaxel2 quaxel2-editor-host

work=$(mktemp -d)
xvfb=""
host=""
cleanup() {
  exec 3>&- 2>/dev/null || true
  if [ -n "$host" ] && kill -0 "$host" 2>/dev/null; then
    sleep 3; kill "$host" 2>/dev/null || true
  fi
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

. docs/private_xvfb.sh

# The editor program's settings: only the window size, none of the user's.
mkdir -p "$work/config/Quaxel2"
printf '[editor]\nwindowScale=%s\n' "$scale" >"$work/config/Quaxel2/UIQuaxel2VST.conf"
export XDG_CONFIG_HOME="$work/config"

mkfifo "$work/in"
"$build/quaxel2-editor-host" "$build/quaxel2.so" <"$work/in" >"$work/out" 2>"$work/err" &
host=$!
exec 3>"$work/in"

window=""
for _ in $(seq 100); do
  window=$(sed -n 's/^window \([0-9]*\)$/\1/p' "$work/out" | tail -n1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the host opened no window:" >&2; cat "$work/out" "$work/err" >&2; exit 1; }
# The editor program draws into a child window of the host's.
for _ in $(seq 100); do
  xwininfo -tree -id "$window" 2>/dev/null | grep -q "$size+0+0" && break
  sleep 0.1
done

sleep 1
for note in 48 60 64 67; do echo "note $note 110" >&3; sleep 0.05; done
sleep 0.4
import -window "$window" "$out"
for note in 48 60 64 67; do echo "off $note" >&3; done
echo quit >&3
wait "$host" || true
host=""
echo "wrote $out ($(identify -format '%wx%h' "$out"))"
