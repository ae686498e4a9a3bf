#include "tools/render/wav_writer.h"

#include <cstdio>

WavWriter::WavWriter(const std::string& path, int sampleRate, int maxFrames)
    : path_(path), interleaved_(2 * static_cast<size_t>(maxFrames)) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    file_ = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file_) throw OutputError("cannot write '" + path + "': " + sf_strerror(nullptr));
}

WavWriter::~WavWriter() {
    if (!file_) return;
    sf_close(file_);
    std::remove(path_.c_str());
}

void WavWriter::write(const float* left, const float* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        interleaved_[2 * i] = left[i];
        interleaved_[2 * i + 1] = right[i];
    }
    if (sf_writef_float(file_, interleaved_.data(), frames) != frames)
        throw OutputError("writing '" + path_ + "' failed: " + sf_strerror(file_));
}

void WavWriter::close() {
    int status = sf_close(file_);
    file_ = nullptr;
    if (status != 0) {
        std::remove(path_.c_str());
        throw OutputError("writing '" + path_ + "' failed: " + sf_error_number(status));
    }
}
