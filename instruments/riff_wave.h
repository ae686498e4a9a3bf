// The layout of RIFF WAVE files, for every reader and writer of them that
// works on the bytes itself: the plug-in's view of a file on disk
// (WaveView), the editor program's reader and writer (WavInFile,
// WavOutFile) and the sound generator's embedded images. (WaveFile reads
// those images by their fixed layout, which the generator keeps.)
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace riff {

inline constexpr int kPcmHeaderSize = 44;
inline constexpr int kPcmTag = 1;

// The header of a PCM file: a 16-byte "fmt " chunk at 12, "data" at 36.
inline std::array<unsigned char, kPcmHeaderSize> pcmHeader(int channels, int sampleRate, int bits,
                                                           uint32_t dataBytes) {
    std::array<unsigned char, kPcmHeaderSize> header{};
    const auto put = [&header](int at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; i++) header[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    const uint32_t blockAlign = static_cast<uint32_t>(channels * bits / 8);
    std::memcpy(header.data(), "RIFF", 4);
    put(4, kPcmHeaderSize - 8 + dataBytes, 4);
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, kPcmTag, 2);
    put(22, static_cast<uint32_t>(channels), 2);
    put(24, static_cast<uint32_t>(sampleRate), 4);
    put(28, static_cast<uint32_t>(sampleRate) * blockAlign, 4);
    put(32, blockAlign, 2);
    put(34, static_cast<uint32_t>(bits), 2);
    std::memcpy(header.data() + 36, "data", 4);
    put(40, dataBytes, 4);
    return header;
}

// What a walk of a file's chunks found, up to its first data chunk.
struct WaveChunks {
    enum Ending { notWave, noFormat, noData, dataBeforeFormat, formatTooLarge, found };
    Ending ending = notWave;
    bool bigEndian = false;  // RIFX: every size is stored most significant byte first
    unsigned char header[12] = {};
    // The format chunk, its 8-byte header first, padded to an even length.
    std::vector<unsigned char> format;
    unsigned char dataHeader[8] = {};
    int64_t framesAt = 0;     // where the data chunk's bytes begin
    uint32_t claimed = 0;     // the data chunk's own size
    int64_t available = 0;    // the bytes the file holds from framesAt on
    // Written by a program that never came back to fill in the sizes: the
    // frames run to the end of the file.
    bool unfinished = false;

    // The data bytes to take: what the chunk claims and the file holds.
    int64_t dataBytes() const { return unfinished ? available : std::min<int64_t>(claimed, available); }
};

namespace detail {

inline bool is(const unsigned char* at, const char* marker) { return std::memcmp(at, marker, 4) == 0; }

inline bool printable(const unsigned char* at) {
    return std::all_of(at, at + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

}  // namespace detail

// More chunks than any real file holds before its frames.
inline constexpr int kMostChunks = 4096;
// Format chunks hold a few dozen bytes; the largest (ADPCM with its
// coefficients) well under this.
inline constexpr uint32_t kLargestFormat = 4096;

// Walks the chunks of a file of `fileSize` bytes, which `readAt(out, count,
// offset)` reads (answering how many bytes came). Chunks follow one another,
// each padded to an even length; the walk ends at the first data chunk, or
// where the list stops making sense (a chunk past the end, an identifier
// that is not text), so that no size in the file can send it round forever.
template <typename ReadAt>
WaveChunks walkWave(ReadAt&& readAt, int64_t fileSize) {
    using detail::is;
    WaveChunks walk;
    if (readAt(walk.header, sizeof walk.header, 0) != sizeof walk.header) return walk;
    walk.bigEndian = is(walk.header, "RIFX");
    if (!(walk.bigEndian || is(walk.header, "RIFF")) || !is(walk.header + 8, "WAVE")) return walk;
    const auto size = [&walk](const unsigned char* at) {
        return walk.bigEndian ? uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3]
                              : uint32_t{at[3]} << 24 | uint32_t{at[2]} << 16 | uint32_t{at[1]} << 8 | at[0];
    };
    walk.ending = WaveChunks::noFormat;
    int64_t at = 12;
    unsigned char chunk[8];
    for (int count = 0; count < kMostChunks && readAt(chunk, sizeof chunk, at) == sizeof chunk &&
                        detail::printable(chunk);
         count++) {
        const uint32_t claimed = size(chunk + 4);
        const int64_t padded = int64_t{claimed} + (claimed & 1);
        at += 8;
        if (is(chunk, "fmt ") && walk.format.empty()) {
            if (claimed > kLargestFormat) {
                walk.ending = WaveChunks::formatTooLarge;
                return walk;
            }
            walk.format.assign(chunk, chunk + 8);
            walk.format.resize(8 + static_cast<std::size_t>(padded));
            readAt(walk.format.data() + 8, static_cast<std::size_t>(claimed), at);
            walk.ending = WaveChunks::noData;
        } else if (is(chunk, "data")) {
            if (walk.format.empty()) {
                walk.ending = WaveChunks::dataBeforeFormat;
                return walk;
            }
            std::memcpy(walk.dataHeader, chunk, sizeof chunk);
            walk.framesAt = at;
            walk.claimed = claimed;
            walk.available = std::max<int64_t>(fileSize - at, 0);
            walk.unfinished = claimed == 0 && size(walk.header + 4) == 8;
            walk.ending = WaveChunks::found;
            return walk;
        }
        at += padded;
    }
    return walk;
}

}  // namespace riff
