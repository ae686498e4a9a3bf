// Decodes a whole MP3 file (or a WAV file carrying MPEG Layer III data) with
// libmad into two float channel buffers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Mp3File {
public:
    explicit Mp3File(const std::string& path);
    ~Mp3File();
    Mp3File(const Mp3File&) = delete;
    Mp3File& operator=(const Mp3File&) = delete;

    // Hands over channel buffer `channel` (new[]-allocated, length + 1
    // frames with a guard frame); the caller owns it afterwards.
    float* takeBuffer(int channel);

    uint32_t sampleRate = 0;
    bool stereo = false;
    int32_t channels = 2;
    int32_t length = 0;
    float* buffers[2] = {nullptr, nullptr};
    int32_t growthStep = 230400;
    std::vector<unsigned char> image;
    std::size_t imageSize = 0;
    int32_t written = 0;
    int32_t capacity = 0;
    bool error = false;

private:
    void decode();
    bool grow();
    void finish();

    friend struct Mp3Callbacks;
    bool imageHanded = false;
};
