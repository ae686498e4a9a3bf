// A small integer-seeded generator (SplitMix64), the same on every machine.
#pragma once

#include <cstdint>

namespace soundgen {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [-1, 1), from the top 53 bits.
    double bipolar() { return static_cast<double>(next() >> 11) * 0x1p-52 - 1.0; }

private:
    std::uint64_t state_;
};

}  // namespace soundgen
