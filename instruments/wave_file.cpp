#include "instruments/wave_file.h"

#include <cstring>
#include <new>

#include "instruments/little_endian.h"
#include "instruments/sample_limits.h"

namespace {

constexpr int kMaxChunksExamined = 257;

}  // namespace

WaveFile::WaveFile(const unsigned char* image, std::size_t size) {
    if (!image || size < 36) return;
    channels = readLittleEndian(image + 22, 2);
    sampleRate = readLittleEndian(image + 24, 4);
    const int32_t blockAlign = readLittleEndian(image + 32, 2);
    bitsPerSample = readLittleEndian(image + 34, 2);

    std::size_t at = 20 + static_cast<uint32_t>(readLittleEndian(image + 16, 4));
    for (int examined = 0; examined < kMaxChunksExamined && at + 8 <= size; examined++) {
        const uint32_t chunkSize = static_cast<uint32_t>(readLittleEndian(image + at + 4, 4));
        if (std::memcmp(image + at, "data", 4) == 0) {
            // A chunk that claims more than the image holds keeps what is there.
            const std::size_t available = size - (at + 8);
            const std::size_t bytes = chunkSize < available ? chunkSize : available;
            const std::size_t count = blockAlign > 0 ? bytes / static_cast<std::size_t>(blockAlign) : 0;
            if (count > static_cast<std::size_t>(kMaxSampleFrames)) {
                tooLong = true;
                return;
            }
            try {
                data.assign(image + at + 8, image + at + 8 + bytes);
            } catch (const std::bad_alloc&) {
                return;  // no frames
            }
            frames = static_cast<int32_t>(count);
            return;
        }
        at += 8 + static_cast<std::size_t>(chunkSize);
    }
}

bool WaveFile::supported() const {
    return (bitsPerSample == 8 || bitsPerSample == 16) && (channels == 1 || channels == 2) &&
           static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels * bitsPerSample / 8) <= data.size();
}

void WaveFile::read(float* out, int count, int channel) const {
    if (channels == 0 || count <= 0 || !supported() || channel < 0 || channel >= channels) return;
    if (count > frames) count = frames;
    for (int i = 0; i < count; i++) {
        const std::size_t index = static_cast<std::size_t>(i) * channels + channel;
        double value;
        if (bitsPerSample == 8)
            value = (static_cast<int>(data[index]) - 128) / 128.0;
        else
            value = readLittleEndian(&data[index * 2], 2) / 32768.0;
        out[i] = static_cast<float>(value);
    }
}
