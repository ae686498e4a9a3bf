#!/usr/bin/env bash
# Builds everything and runs the whole test suite (in parallel), then runs it
# again in a build with AddressSanitizer and UndefinedBehaviorSanitizer and
# in a build by clang (whose thread-safety analysis checks the locks against
# the data they guard); runs the golden renders in a build that renders by
# the reference alone, the many-threads stress test under ThreadSanitizer,
# and the fuzzers. Each build is a preset of CMakePresets.json.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash tools/build.sh plain
ctest --preset plain -j"$jobs"

# Sanitized builds render with the plain x86-64 code only: with the golden
# renders this one checks that path bit for bit, where the first build ran AVX2.
bash tools/build.sh sanitize
ctest --preset sanitize -j"$jobs"

# Every stream rendered frame by frame by the reference render: the golden
# renders, which the fast paths matched above, come out of it too.
bash tools/build.sh reference
ctest --preset reference -j"$jobs"

# A second compiler; its thread-safety analysis stops the build on a lock
# not held where the data it guards is touched.
bash tools/build.sh clang
ctest --preset clang -j"$jobs"

# The threads stress test under ThreadSanitizer.
bash tools/build.sh tsan
ctest --preset tsan

# The chunk reader against a minute of fuzzing, each sample loader and each
# direction's editor message decoder against half a minute.
FUZZ_SECONDS=${FUZZ_SECONDS:-60} bash tools/fuzz.sh
