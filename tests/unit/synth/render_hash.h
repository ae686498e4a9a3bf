// The fingerprint the golden-render tests record: FNV-1a over the bytes of
// a render's left channel, then its right.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

inline std::uint64_t renderHash(const std::vector<float>& left, const std::vector<float>& right) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::vector<float>* channel : {&left, &right}) {
        for (float x : *channel) {
            unsigned char bytes[sizeof x];
            std::memcpy(bytes, &x, sizeof x);
            for (unsigned char b : bytes) hash = (hash ^ b) * 0x100000001b3ULL;
        }
    }
    return hash;
}
