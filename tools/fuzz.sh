#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time:
# the chunk reader for FUZZ_SECONDS (default 60) from chunks the plug-in
# itself saves, then each sample loader for LOADER_FUZZ_SECONDS (default
# half of that) from small sound files made here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
build=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAXEL2_FUZZ=ON \
  -DQUAXEL2_SANITIZE=ON -DQUAXEL2_BUILD_TESTS=OFF -DQUAXEL2_BUILD_BENCH=OFF
loaders=(sample_file_fuzz mp3_file_fuzz wave_image_fuzz)
cmake --build "$build" -j"$(nproc)" --target chunk_fuzz "${loaders[@]}" make_seeds

# Sound files the seed chunks name, so they stay at this path: chunks kept
# in the corpus name them too. They also seed the loaders.
samples="$(cd "$build" && pwd)/fuzz-samples"
rm -rf "$samples"
mkdir -p "$samples"
(
  cd "$samples"
  sox -n -r 8000 -b 8 -c 1 mono8.wav synth 0.05 sine 441
  sox -n -r 8000 -b 8 -c 2 stereo8.wav synth 0.05 sine 441 sine 882
  sox -n -r 8000 -b 16 -c 1 mono16.wav synth 0.05 sine 441
  sox -n -r 8000 -b 16 -c 2 stereo16.wav synth 0.05 sine 441 sine 882
  lame --quiet -b 8 mono16.wav tone.mp3
  ffmpeg -loglevel error -y -i mono16.wav -c:a libmp3lame -b:a 8k tone-mpeg.wav
)

seeds="$build/fuzz-seeds"
mkdir -p "$seeds" "$build/fuzz-corpus"
"$build/tests/fuzz/make_seeds" "$seeds" "$samples" "$build/chunk.dict"

# A run's output goes to a log; the end of it is shown when a target fails.
run() {
  local target=$1 log="$build/$1.log"
  shift
  echo "Fuzzing $target"
  if ! "$build/tests/fuzz/$target" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$@" >"$log" 2>&1; then
    tail -n 150 "$log"
    echo "$target failed; its log: $log"
    return 1
  fi
  grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" "$log" || true
}

seconds=${FUZZ_SECONDS:-60}
run chunk_fuzz -max_total_time="$seconds" -dict="$build/chunk.dict" "$build/fuzz-corpus" "$seeds"
for target in "${loaders[@]}"; do
  mkdir -p "$build/fuzz-corpus-$target"
  run "$target" -max_total_time="${LOADER_FUZZ_SECONDS:-$((seconds / 2))}" -max_len=8192 \
    -dict=tests/fuzz/sample_files.dict "$build/fuzz-corpus-$target" "$samples"
done
