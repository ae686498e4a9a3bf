// Sample markers as host parameters: a frame F of a sample of L frames is
// the value float(F) / float(L), and a value v is the frame nearest to L × v.
// For L up to 2^24 both are exact in their types and the nearest float to
// F / L lies within 0.5 / L of it, so a value read and written back, or sent
// as float(F) / float(L), lands on F again.
#pragma once

#include <cmath>

#include "programs/parameter.h"

inline float markerValue(int frame, int length) {
    return length > 0 ? static_cast<float>(frame) / static_cast<float>(length) : 0.0f;
}

// Within 0..length: the value is taken within 0..1 first (NaN as 0).
inline int markerFrame(float value, int length) {
    if (length <= 0) return 0;
    return static_cast<int>(std::llround(static_cast<double>(length) * static_cast<double>(normalised(value))));
}
