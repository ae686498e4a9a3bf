#!/usr/bin/env bash
# Installs the Debian packages a build needs, if any are missing:
#   deps.sh demo  the plug-in, its editor program, the offline renderer and
#                 the standalone program
#   deps.sh       everything: also the tests, the sanitizer and fuzz builds,
#                 the window tests' X server, the standalone tests' JACK
#                 server and the benchmarks' reference
set -euo pipefail

demo=(
  build-essential cmake pkg-config binutils
  libsndfile1-dev libmad0-dev libsmf-dev
  libespeak-ng-dev espeak-ng-data
  qt6-base-dev libxcb1-dev libx11-dev
  libjack-jackd2-dev
)
tests=(
  libgtest-dev libgmock-dev libbenchmark-dev
  sox lame ffmpeg
  clang libclang-rt-14-dev
  xvfb xauth x11-utils xdotool imagemagick
  libfluidsynth-dev fluid-soundfont-gm
  jackd2 desktop-file-utils
)

packages=("${demo[@]}")
[ "${1:-all}" = demo ] || packages+=("${tests[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
