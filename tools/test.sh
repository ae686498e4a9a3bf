#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
build=${BUILD_DIR:-build}
(cd "$build" && ctest --output-on-failure -j"$(nproc)")
