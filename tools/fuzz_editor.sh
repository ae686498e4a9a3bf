#!/usr/bin/env bash
# Builds the decoders of the editor messages with clang and fuzzes each
# direction for a bounded time (FUZZ_EDITOR_SECONDS each, default 30),
# starting from seeds that hold the protocol's example messages.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
build=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAXEL2_FUZZ=ON \
  -DQUAXEL2_SANITIZE=ON -DQUAXEL2_BUILD_TESTS=OFF -DQUAXEL2_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)" --target to_ui_decoder_fuzz from_ui_decoder_fuzz

# A seed is a byte for the pipe capacity / 4, a byte for the read sizes, then messages.
seeds="$build/fuzz-editor-seeds"
mkdir -p "$seeds"
printf '\x10\x03\x01\x03\x00\x00\x00\x00\x00\x00\x3f\x04\x90\x3c\x64' >"$seeds/parameter_and_note"
printf '\x10\x05\x02\x07\x00\x00\x00\x03\x00\x00\x00abc\x00\x06\x03\x00\x00\x00255\x00\x05\x10\x07\x00' \
  >"$seeds/announce_reattach_quit"
printf '\x10\x01\x04\x90\x3c\x64\x11\x02\x03\x00\x00\x00abc\x00\x03\x02\x00\x00\x00/a\x00' >"$seeds/note_refresh_loads"
printf '\x10\x02\x0a\x07\x00\x00\x00\x0b\x01\x00\x00\x00\x02\x00\x00\x00\x0c\x07\x00\x00\x00\x10\x07\x00\x00\x00' \
  >"$seeds/instrument_requests"

for direction in to_ui from_ui; do
  corpus="$build/fuzz-corpus-$direction"
  mkdir -p "$corpus"
  "$build/tests/fuzz-editor/${direction}_decoder_fuzz" -max_total_time="${FUZZ_EDITOR_SECONDS:-30}" -timeout=10 \
    -rss_limit_mb=4096 -print_final_stats=1 "$corpus" "$seeds"
done
