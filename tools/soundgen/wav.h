// RIFF WAVE images: "fmt " at offset 12 and "data" right after it at 36,
// the layout WaveFile reads them by.
#pragma once

#include <string>

#include "embedded.h"
#include "synth.h"

namespace soundgen {

// 16-bit samples are signed little-endian, 8-bit ones unsigned around 128;
// both rounded to the nearest step, never at the negative extreme.
std::string wavImage(const Channels& channels, const WavFormat& format);

}  // namespace soundgen
