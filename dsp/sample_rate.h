// The sample rates the sound is computed for. Instruments and the delay
// time their envelopes and lengths by a rate within these bounds.
#pragma once

// The host's rate as a whole number, or 0 for one that is not usable.
inline int wholeSampleRate(float rate) { return rate >= 1.0f && rate <= 1e7f ? static_cast<int>(rate) : 0; }

// A rate from 8000 to 384000 Hz as it is; any other as 44100.
inline int usableSampleRate(int rate) { return rate >= 8000 && rate <= 384000 ? rate : 44100; }
