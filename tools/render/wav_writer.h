// Stereo 32-bit float WAV output through libsndfile, written block by block.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class WavWriter {
public:
    // Creates the file; throws OutputError.
    WavWriter(const std::string& path, int sampleRate, int maxFrames);
    ~WavWriter();  // a file not finished by close() is removed
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Appends `frames` frames of the two channels; throws OutputError.
    void write(const float* left, const float* right, int frames);
    void close();

private:
    std::string path_;
    SNDFILE* file_ = nullptr;
    std::vector<float> interleaved_;
};
