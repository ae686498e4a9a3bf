#include "editor-program/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kPcm = 1;
constexpr int kFloat = 3;
constexpr int kExtensible = 0xFFFE;
constexpr int kMaxChannels = 64;
constexpr int kMaxSampleRate = 1536000;
constexpr int64_t kHeaderSize = 44;
constexpr int64_t kMaxDataSize = 0xFFFFFFFFLL - (kHeaderSize - 8);

uint16_t little16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t little32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void putLittle(unsigned char* p, uint32_t value, int size) {
    for (int i = 0; i < size; i++) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

// One sample of the given format at `p`, as a float in -1 .. 1.
float decode(const unsigned char* p, int bits, bool floating) {
    if (floating) {
        if (bits == 32) {
            float value;
            std::memcpy(&value, p, sizeof value);
            return value;
        }
        double value;
        std::memcpy(&value, p, sizeof value);
        return static_cast<float>(value);
    }
    switch (bits) {
        case 8:
            return (static_cast<int>(p[0]) - 128) / 128.0f;
        case 16:
            return static_cast<int16_t>(little16(p)) / 32768.0f;
        case 24: {
            // Placed in the top three bytes, so that the sign comes along.
            const uint32_t raw = static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                 static_cast<uint32_t>(p[2]) << 24;
            return static_cast<float>(static_cast<int32_t>(raw) / 2147483648.0);
        }
        default:
            return static_cast<float>(static_cast<int32_t>(little32(p)) / 2147483648.0);
    }
}

}  // namespace

WavInFile::WavInFile(const std::string& path) : file(path, std::ios::binary) {
    if (!file) {
        fail("cannot open " + path);
        return;
    }
    file.seekg(0, std::ios::end);
    fileSize = file.tellg();
    file.seekg(0);
    if (fileSize < 0 || !parse()) return;
    framesLeft = frameCount;
}

bool WavInFile::fail(const std::string& why) {
    if (problem.empty()) problem = why;
    return false;
}

bool WavInFile::parse() {
    unsigned char header[12];
    if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return fail("too short for a RIFF header");
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return fail("not a RIFF/WAVE file");
    // The RIFF size is often wrong in the wild; the chunks are bounded by
    // the real file size instead.
    bool haveFormat = false;
    int64_t offset = 12;
    while (offset + 8 <= fileSize) {
        unsigned char chunk[8];
        file.seekg(offset);
        if (!file.read(reinterpret_cast<char*>(chunk), sizeof chunk)) return fail("unreadable chunk header");
        const uint32_t size = little32(chunk + 4);
        const int64_t body = offset + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (body + size > fileSize) return fail("format chunk runs past the end");
            if (!parseFormat(size)) return false;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return fail("data before format");
            // A truncated file keeps the whole frames it still holds.
            const int64_t available = std::min<int64_t>(size, fileSize - body);
            frameCount = available / (static_cast<int64_t>(channelCount) * (bits / 8));
            file.seekg(body);
            return true;
        }
        offset = body + size + (size & 1);  // chunks are padded to even sizes
    }
    return fail(haveFormat ? "no data chunk" : "no format chunk");
}

bool WavInFile::parseFormat(uint32_t size) {
    if (size < 16) return fail("format chunk too short");
    unsigned char format[40] = {};
    if (!file.read(reinterpret_cast<char*>(format), std::min<uint32_t>(size, sizeof format)))
        return fail("unreadable format chunk");
    int tag = little16(format);
    channelCount = little16(format + 2);
    rate = static_cast<int>(std::min<uint32_t>(little32(format + 4), kMaxSampleRate + 1));
    const int blockAlign = little16(format + 12);
    bits = little16(format + 14);
    if (tag == kExtensible) {
        if (size < 40) return fail("extensible format chunk too short");
        tag = little16(format + 24);  // the sub-format GUID starts with the tag
    }
    if (tag == kPcm)
        floating = false;
    else if (tag == kFloat)
        floating = true;
    else
        return fail("unsupported encoding " + std::to_string(tag));
    const bool bitsOk = floating ? bits == 32 || bits == 64 : bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!bitsOk) return fail("unsupported sample size " + std::to_string(bits));
    if (channelCount < 1 || channelCount > kMaxChannels) return fail("bad channel count");
    if (rate < 1 || rate > kMaxSampleRate) return fail("bad sample rate");
    if (blockAlign != channelCount * bits / 8) return fail("bad block alignment");
    return true;
}

int WavInFile::read(float* interleaved, int frames) {
    if (!ok() || !interleaved || frames <= 0 || framesLeft <= 0) return 0;
    const int count = static_cast<int>(std::min<int64_t>(frames, framesLeft));
    const int sampleBytes = bits / 8;
    const std::size_t frameBytes = static_cast<std::size_t>(channelCount) * sampleBytes;
    bytes.resize(frameBytes * count);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        fail("read failed");
        return 0;
    }
    framesLeft -= count;
    const std::size_t samples = static_cast<std::size_t>(count) * channelCount;
    for (std::size_t i = 0; i < samples; i++) interleaved[i] = decode(&bytes[i * sampleBytes], bits, floating);
    return count;
}

std::string WavInFile::summary() const {
    if (!ok()) return problem;
    char text[96];
    std::snprintf(text, sizeof text, "%d ch, %d Hz, %.2f s", channelCount, rate,
                  static_cast<double>(frameCount) / rate);
    return text;
}

WavOutFile::WavOutFile(const std::string& path, int sampleRate, int channels)
    : file(path, std::ios::binary | std::ios::trunc) {
    channelCount = channels;
    rate = sampleRate;
    bits = 16;
    if (channels < 1 || channels > kMaxChannels || sampleRate < 1 || sampleRate > kMaxSampleRate) {
        problem = "bad format";
        file.close();
        return;
    }
    if (!file) {
        problem = "cannot create " + path;
        return;
    }
    const unsigned char placeholder[kHeaderSize] = {};
    if (!file.write(reinterpret_cast<const char*>(placeholder), kHeaderSize)) problem = "write failed";
}

WavOutFile::~WavOutFile() { close(); }

bool WavOutFile::write(const float* interleaved, int frames) {
    if (!problem.empty() || !file.is_open() || frames < 0 || (frames > 0 && !interleaved)) return false;
    const int64_t dataSize = (frameCount + frames) * channelCount * 2;
    if (dataSize > kMaxDataSize) {
        problem = "file too large";
        return false;
    }
    const std::size_t samples = static_cast<std::size_t>(frames) * channelCount;
    bytes.resize(samples * 2);
    for (std::size_t i = 0; i < samples; i++) {
        const float clipped = std::clamp(interleaved[i], -1.0f, 1.0f);  // NaN stays NaN: written as 0
        const long value = clipped == clipped ? std::lround(clipped * 32767.0f) : 0;
        putLittle(&bytes[i * 2], static_cast<uint32_t>(value), 2);
    }
    if (!file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        problem = "write failed";
        return false;
    }
    frameCount += frames;
    return true;
}

bool WavOutFile::close() {
    if (!file.is_open()) return problem.empty();
    if (problem.empty()) {
        const uint32_t dataSize = static_cast<uint32_t>(frameCount * channelCount * 2);
        const int blockAlign = channelCount * 2;
        unsigned char header[kHeaderSize];
        std::memcpy(header, "RIFF", 4);
        putLittle(header + 4, static_cast<uint32_t>(kHeaderSize - 8) + dataSize, 4);
        std::memcpy(header + 8, "WAVEfmt ", 8);
        putLittle(header + 16, 16, 4);
        putLittle(header + 20, kPcm, 2);
        putLittle(header + 22, static_cast<uint32_t>(channelCount), 2);
        putLittle(header + 24, static_cast<uint32_t>(rate), 4);
        putLittle(header + 28, static_cast<uint32_t>(rate * blockAlign), 4);
        putLittle(header + 32, static_cast<uint32_t>(blockAlign), 2);
        putLittle(header + 34, 16, 2);
        std::memcpy(header + 36, "data", 4);
        putLittle(header + 40, dataSize, 4);
        file.seekp(0);
        if (!file.write(reinterpret_cast<const char*>(header), kHeaderSize)) problem = "header write failed";
    }
    file.close();
    if (file.fail() && problem.empty()) problem = "close failed";
    return problem.empty();
}
