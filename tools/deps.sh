#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any are missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config binutils
  libsndfile1-dev libmad0-dev libsmf-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libespeak-ng-dev espeak-ng-data
  sox lame ffmpeg
  clang libclang-rt-14-dev
  qt6-base-dev libxcb1-dev libx11-dev
  xvfb xauth x11-utils xdotool imagemagick
  libfluidsynth-dev fluid-soundfont-gm
)

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
