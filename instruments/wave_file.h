// Reads a RIFF WAVE image held in memory: the format from the "fmt " chunk
// at offset 12, and a copy of the "data" chunk's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class WaveFile {
public:
    // `size` bounds every read of the image; a malformed image yields 0
    // frames, and so does one holding more than kMaxSampleFrames frames,
    // which is marked tooLong and not copied.
    WaveFile(const unsigned char* image, std::size_t size);

    // Converts `frames` frames of one channel to floats in -1..1. Writes
    // nothing for an unsupported format or a channel it does not have.
    void read(float* out, int frames, int channel) const;
    // 8- or 16-bit PCM with one or two channels.
    bool supported() const;

    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bitsPerSample = 0;
    int32_t frames = 0;
    bool tooLong = false;
    std::vector<unsigned char> data;
};
