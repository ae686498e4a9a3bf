#!/usr/bin/env bash
# Takes docs/standalone.png: quaxel2-standalone's window (menu bar and the
# embedded editor) on a private X server (Xvfb) and a JACK server of its own
# (dummy driver), with a note looping so that the meters show it.
# Needs xvfb, x11-utils, xdotool, imagemagick and jackd2. BUILD_DIR picks the build (build/).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out=docs/standalone.png

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAXEL2_WERROR=ON -DQUAXEL2_BUILD_BENCH=OFF
fi
cmake --build "$build" -j"$(nproc)" --target quaxel2 quaxel2-standalone

work=$(mktemp -d)
xvfb="" jack="" app="" seq=""
cleanup() {
  for pid in $seq $app $jack $xvfb; do kill "$pid" 2>/dev/null || true; done
  for pid in $seq $app $jack $xvfb; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

. docs/private_xvfb.sh

# A JACK server of this script's own, and none of the user's settings or state.
export JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER="quaxel2-shot-$$"
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
jack=$!
jack_wait -w -t 5 >/dev/null 2>&1 || { echo "jackd did not come up:" >&2; cat "$work/jackd.log" >&2; exit 1; }

"$build/quaxel2-standalone" --no-connect --program 0 >"$work/out" 2>"$work/err" &
app=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Quaxel2 - ' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no window:" >&2; cat "$work/out" "$work/err" >&2; exit 1; }
# The editor program draws into the child window below the menu bar.
for _ in $(seq 100); do
  xwininfo -tree -id "$window" 2>/dev/null | grep -q '820x505+0+0' && break
  sleep 0.1
done

jack_midiseq seq 48000 0 60 30000 12000 64 30000 >/dev/null 2>&1 &
seq=$!
sleep 0.3
jack_connect seq:out quaxel2:midi_in
sleep 1.5
import -window "$window" "$out"
echo "wrote $out ($(identify -format '%wx%h' "$out"))"
