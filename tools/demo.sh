#!/usr/bin/env bash
# Builds the plug-in, its editor program and the offline renderer (nothing
# else, and installs only what they need), then renders a short demo through
# the plug-in to demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -f build/CMakeCache.txt ]; then
  # A build folder that exists may hold the tests too: keep its settings and
  # build only what the demo plays.
  bash tools/deps.sh demo
  cmake --build build -j"$(nproc)" --target quaxel2 quaxel2-render
else
  bash tools/build.sh demo
fi
build/quaxel2-render build/quaxel2.so --program 0 --tempo 110 \
  --notes "48:0:1.5:100,55:0:1.5:90,60:0:1.5:90,64:0.55:1:100,67:1.1:1:100,72:1.65:1.6:110,60:2.2:1.2:90,65:2.2:1.2:90" \
  --seconds 6 -o demo.wav
echo "Demo written to $(pwd)/demo.wav"
