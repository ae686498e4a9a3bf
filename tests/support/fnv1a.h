// FNV-1a, the fingerprint of the recorded renders and sounds: 64 bits for a
// whole render or sound, 32 bits for the short spans of a render. Pass the
// result back in as `hash` to go on over more bytes.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint64_t kFnv1a64Start = 0xcbf29ce484222325ULL;
constexpr std::uint32_t kFnv1a32Start = 2166136261u;

inline std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t hash = kFnv1a64Start) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; i++) hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
    return hash;
}

inline std::uint32_t fnv1a32(const void* data, std::size_t size, std::uint32_t hash = kFnv1a32Start) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; i++) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}
