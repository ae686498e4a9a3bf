#!/usr/bin/env bash
# Builds everything and runs the whole test suite, then runs it again in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
build=${BUILD_DIR:-build}
(cd "$build" && ctest --output-on-failure -j"$(nproc)")

# Sanitized builds render with the plain x86-64 code only: with the golden
# renders this one checks that path bit for bit, where the first build ran AVX2.
BUILD_DIR=${SANITIZE_BUILD_DIR:-build-sanitize} bash tools/build.sh -DQUAXEL2_SANITIZE=ON -DQUAXEL2_BUILD_BENCH=OFF
(cd "${SANITIZE_BUILD_DIR:-build-sanitize}" && ctest --output-on-failure -j"$(nproc)")

# The threads stress test under ThreadSanitizer.
tsan=${TSAN_BUILD_DIR:-build-tsan}
BUILD_DIR=$tsan bash tools/build.sh -DQUAXEL2_TSAN=ON -DQUAXEL2_BUILD_BENCH=OFF
(cd "$tsan" && ctest --output-on-failure -R ThreadStress)

# The chunk reader against a minute of fuzzing, each sample loader and each
# direction's editor message decoder against half a minute.
FUZZ_SECONDS=${FUZZ_SECONDS:-60} bash tools/fuzz.sh
