#include "editor-program/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "instruments/riff_wave.h"

namespace {

constexpr int kFloat = 3;
constexpr int kExtensible = 0xFFFE;
constexpr int kMaxChannels = 64;
constexpr int kMaxSampleRate = 1536000;
constexpr int64_t kHeaderSize = riff::kPcmHeaderSize;
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
    const riff::WaveChunks walk = riff::walkWave(
        [this](void* out, std::size_t count, int64_t offset) -> std::size_t {
            file.clear();
            file.seekg(offset);
            file.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
            return static_cast<std::size_t>(file.gcount());
        },
        fileSize);
    switch (walk.ending) {
        case riff::WaveChunks::notWave:
            return fail("not a RIFF/WAVE file");
        case riff::WaveChunks::noFormat:
            return fail("no format chunk");
        case riff::WaveChunks::formatTooLarge:
            return fail("format chunk too large");
        case riff::WaveChunks::dataBeforeFormat:
            return fail("data before format");
        case riff::WaveChunks::noData:
            return fail("no data chunk");
        case riff::WaveChunks::found:
            break;
    }
    if (walk.bigEndian) return fail("big-endian (RIFX) files are not read here");
    if (!parseFormat(walk.format.data() + 8, little32(walk.format.data() + 4))) return false;
    // A truncated file keeps the whole frames it still holds.
    frameCount = walk.dataBytes() / (static_cast<int64_t>(channelCount) * (bits / 8));
    file.clear();
    file.seekg(walk.framesAt);
    return true;
}

bool WavInFile::parseFormat(const unsigned char* chunk, uint32_t size) {
    if (size < 16) return fail("format chunk too short");
    unsigned char format[40] = {};
    std::memcpy(format, chunk, std::min<uint32_t>(size, sizeof format));
    int tag = little16(format);
    channelCount = little16(format + 2);
    rate = static_cast<int>(std::min<uint32_t>(little32(format + 4), kMaxSampleRate + 1));
    const int blockAlign = little16(format + 12);
    bits = little16(format + 14);
    if (tag == kExtensible) {
        if (size < 40) return fail("extensible format chunk too short");
        tag = little16(format + 24);  // the sub-format GUID starts with the tag
    }
    if (tag == riff::kPcmTag)
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
        const auto header = riff::pcmHeader(channelCount, rate, 16, dataSize);
        file.seekp(0);
        if (!file.write(reinterpret_cast<const char*>(header.data()), kHeaderSize)) problem = "header write failed";
    }
    file.close();
    if (file.fail() && problem.empty()) problem = "close failed";
    return problem.empty();
}
