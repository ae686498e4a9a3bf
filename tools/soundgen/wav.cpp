#include "wav.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "instruments/riff_wave.h"

namespace soundgen {

namespace {

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string wavImage(const Channels& channels, const WavFormat& format) {
    const std::uint32_t frames = channels[0].size();
    const std::uint32_t blockAlign = format.channels * format.bits / 8;
    const std::uint32_t dataSize = frames * blockAlign;
    const auto header = riff::pcmHeader(format.channels, format.sampleRate, format.bits, dataSize);
    std::string out(header.begin(), header.end());
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < format.channels; ++c) {
            const double v = channels[c][i];
            if (format.bits == 16) {
                const long s = std::clamp(std::lround(v * 32767), -32767L, 32767L);
                put(out, static_cast<std::uint32_t>(s) & 0xFFFF, 2);
            } else {
                put(out, static_cast<std::uint32_t>(std::clamp(128 + std::lround(v * 127), 1L, 255L)), 1);
            }
        }
    }
    return out;
}

}  // namespace soundgen
