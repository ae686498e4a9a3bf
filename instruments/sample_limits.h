// How much the loaders take from a file or an embedded image, and the line
// that says a sample was refused for its length.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Frames per channel of the longest sample loaded: 2^27, over 46 minutes at
// 48 kHz and 512 MiB of floats a channel. No instrument comes near it; a
// longer file or image is refused rather than allocated for.
inline constexpr int64_t kMaxSampleFrames = int64_t{1} << 27;

inline void reportSampleTooLong(const std::string& name) {
    std::printf("Quaxel2VST > sample too long, not loaded: %s\n", name.c_str());
}

// Loaded frames are kept within this magnitude; real recordings stay near 1.
inline constexpr float kLoudestFrame = 1e6f;
