// Spoken words from the espeak-ng speech synthesiser, resampled by our own
// code to the rate a sound needs.
#pragma once

#include <vector>

#include "patch.h"

namespace soundgen {

// The words, silence trimmed, peaking at 1, at most maxFrames long: a text
// that is too long is spoken faster until it fits.
std::vector<double> speak(const Speech& speech, int sampleRate, int maxFrames);

// Band-limited resampling with a windowed sinc.
std::vector<double> resample(const std::vector<double>& in, int fromRate, int toRate);

}  // namespace soundgen
