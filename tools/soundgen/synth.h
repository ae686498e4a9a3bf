// Plays one patch: a note (or chord) at a given pitch for a given length.
#pragma once

#include <cstdint>
#include <vector>

#include "patch.h"

namespace soundgen {

using Channels = std::vector<std::vector<double>>;

// `channels` buffers of `frames` samples; the root of the patch's notes
// sounds at rootHz. Not yet faded or levelled.
Channels renderPatch(const Patch& patch, int frames, int channels, int sampleRate, double rootHz,
                     std::uint64_t seed);

double envelopeAt(const Contour& e, double ms);

}  // namespace soundgen
