#!/usr/bin/env bash
# Builds the chunk fuzzer with clang and runs it for a bounded time
# (FUZZ_SECONDS, default 60) from seeds the plug-in itself saves.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
build=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAXEL2_FUZZ=ON \
  -DQUAXEL2_SANITIZE=ON -DQUAXEL2_BUILD_TESTS=OFF -DQUAXEL2_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)" --target chunk_fuzz make_seeds
seeds="$build/fuzz-seeds"
corpus="$build/fuzz-corpus"
mkdir -p "$seeds" "$corpus"
"$build/tests/fuzz/make_seeds" "$seeds"
"$build/tests/fuzz/chunk_fuzz" -max_total_time="${FUZZ_SECONDS:-60}" -timeout=10 -rss_limit_mb=4096 \
  -print_final_stats=1 "$corpus" "$seeds"
