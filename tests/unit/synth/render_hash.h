// The fingerprint the golden-render tests record: FNV-1a over the bytes of
// a render's left channel, then its right.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/fnv1a.h"

inline std::uint64_t renderHash(const std::vector<float>& left, const std::vector<float>& right) {
    const std::uint64_t hash = fnv1a64(left.data(), left.size() * sizeof(float));
    return fnv1a64(right.data(), right.size() * sizeof(float), hash);
}
