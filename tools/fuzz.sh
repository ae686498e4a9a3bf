#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time:
# the chunk reader for FUZZ_SECONDS (default 60) from chunks the plug-in
# itself saves, then each sample loader for LOADER_FUZZ_SECONDS (default
# half of that) from small sound files made here, then the decoder of each
# direction of the editor's messages for FUZZ_EDITOR_SECONDS (default half)
# from the protocol's example messages.
set -euo pipefail
cd "$(dirname "$0")/.."
# The fuzz preset builds the targets with clang.
bash tools/build.sh fuzz
build=build-fuzz
loaders=(sample_file_fuzz mp3_file_fuzz wave_image_fuzz)
decoders=(to_ui_decoder_fuzz from_ui_decoder_fuzz)

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

# A fixed seed makes a run repeatable: a machine that runs as many inputs
# runs the same ones. FUZZ_SEED=0 lets each run pick its own.
seed=${FUZZ_SEED:-1}

# A run's output goes to a log; the end of it is shown when a target fails.
run() {
  local target=$1 log="$build/$1.log" folder=tests/fuzz
  shift
  [[ $target == *_decoder_fuzz ]] && folder=tests/fuzz-editor
  echo "Fuzzing $target"
  if ! "$build/$folder/$target" -seed="$seed" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$@" >"$log" 2>&1; then
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

# An editor seed is a byte for the pipe capacity / 4, a byte for the read
# sizes, then messages.
editorSeeds="$build/fuzz-editor-seeds"
mkdir -p "$editorSeeds"
printf '\x10\x03\x01\x03\x00\x00\x00\x00\x00\x00\x3f\x04\x90\x3c\x64' >"$editorSeeds/parameter_and_note"
printf '\x10\x05\x02\x07\x00\x00\x00\x03\x00\x00\x00abc\x00\x06\x03\x00\x00\x00255\x00\x05\x10\x07\x00' \
  >"$editorSeeds/announce_reattach_quit"
printf '\x10\x01\x04\x90\x3c\x64\x11\x02\x03\x00\x00\x00abc\x00\x03\x02\x00\x00\x00/a\x00' >"$editorSeeds/note_refresh_loads"
printf '\x10\x02\x0a\x07\x00\x00\x00\x0b\x01\x00\x00\x00\x02\x00\x00\x00\x0c\x07\x00\x00\x00\x10\x07\x00\x00\x00' \
  >"$editorSeeds/instrument_requests"
# Programs: a name, the current program and the output level (or a pick,
# a rename and the list asked for).
printf '\x10\x04\x14\x05\x00\x00\x00\x03\x00\x00\x00Pad\x00\x15\x05\x00\x00\x00\x16\x00\x00\x00\x3f\x00\x00\x80\x3f' \
  >"$editorSeeds/programs_and_level"
printf '\x10\x06\x14\x02\x00\x00\x00\x15\x01\x00\x00\x00\x02\x00\x00\x00Hi\x00\x16' >"$editorSeeds/program_requests"
# The window's size: 150 %, then a size the plug-in does not know.
printf '\x10\x01\x17\x96\x00\x00\x00\x17\x07\x00\x00\x00' >"$editorSeeds/window_scale"
for target in "${decoders[@]}"; do
  mkdir -p "$build/fuzz-corpus-$target"
  run "$target" -max_total_time="${FUZZ_EDITOR_SECONDS:-$((seconds / 2))}" "$build/fuzz-corpus-$target" "$editorSeeds"
done
