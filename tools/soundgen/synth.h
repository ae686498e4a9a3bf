// Plays one patch: a note (or chord) at a given pitch for a given length.
#pragma once

#include <cstdint>
#include <vector>

#include "patch.h"

namespace soundgen {

using Channels = std::vector<std::vector<double>>;

// `channels` buffers of `frames` samples; the root of the patch's notes
// sounds at rootHz. Not yet faded or levelled.
//
// With a `loop` of P frames, the last P + 1 frames repeat with period P:
// a voice that loops from frames - 1 - P up to the last frame (which it
// reads only to step towards the loop start) plays them seamlessly. Every
// periodic element then completes whole cycles in P: pitches, vibrato,
// tremolo and filter sweeps move to the nearest such rate, and noise
// repeats every P frames. Throws when an envelope, a vibrato's growth or a
// vowel's morph is still moving there, since that could not repeat.
//
// Oscillators, partials and noise stop short of 0.45 times the rate, or of
// that `cleanOctaves` octaves down: a voice that plays the sound so many
// octaves up then folds nothing back.
Channels renderPatch(const Patch& patch, int frames, int channels, int sampleRate, double rootHz,
                     std::uint64_t seed, int loop = 0, double cleanOctaves = 0);

double envelopeAt(const Contour& e, double ms);

}  // namespace soundgen
