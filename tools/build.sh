#!/usr/bin/env bash
# Installs what it needs, then configures and builds one of the named builds
# of CMakePresets.json into its folder: plain (the default; everything, with
# the tests and benchmarks, in build/), demo (the plug-in, its editor program
# and quaxel2-render, in build/), sanitize, reference, clang, tsan or fuzz
# (build-<name>/).
# Further arguments go to the configure step.
#   bash tools/build.sh [preset] [-DNAME=VALUE...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=plain
if [ $# -gt 0 ] && [[ $1 != -* ]]; then
  preset=$1
  shift
fi
if [ "$preset" = demo ]; then bash tools/deps.sh demo; else bash tools/deps.sh; fi
cmake --preset "$preset" "$@"
cmake --build --preset "$preset" -j"$(nproc)"
