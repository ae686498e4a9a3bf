#include "instruments/mp3_file.h"

#include <mad.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

// libmad's callbacks, with the decoder's user data leading back to the file.
struct Mp3Callbacks {
    static mad_flow input(void* data, mad_stream* stream) {
        auto* file = static_cast<Mp3File*>(data);
        if (file->imageHanded) return MAD_FLOW_STOP;
        file->imageHanded = true;
        mad_stream_buffer(stream, file->image.data(), file->image.size());
        return MAD_FLOW_CONTINUE;
    }

    static mad_flow output(void* data, const mad_header* header, mad_pcm* pcm) {
        auto* file = static_cast<Mp3File*>(data);
        file->sampleRate = header->samplerate;
        if (pcm->channels == 2) file->stereo = true;
        if (file->written + pcm->length >= file->capacity && !file->grow()) return MAD_FLOW_STOP;
        constexpr float kScale = 1.0f / static_cast<float>(1 << MAD_F_FRACBITS);  // 28 fraction bits
        for (unsigned i = 0; i < pcm->length; i++) {
            const float left = static_cast<float>(pcm->samples[0][i]) * kScale;
            file->buffers[0][file->written] = left;
            file->buffers[1][file->written] = pcm->channels == 2 ? static_cast<float>(pcm->samples[1][i]) * kScale : left;
            file->written++;
        }
        return MAD_FLOW_CONTINUE;
    }

    // Damaged frames are skipped.
    static mad_flow error(void*, mad_stream*, mad_frame*) { return MAD_FLOW_CONTINUE; }
};

namespace {

float* resized(float* buffer, std::size_t keep, std::size_t size) {
    auto* bigger = new (std::nothrow) float[size];
    if (!bigger) return nullptr;
    if (buffer) std::memcpy(bigger, buffer, keep * sizeof(float));
    std::fill(bigger + keep, bigger + size, 0.0f);
    return bigger;
}

}  // namespace

Mp3File::Mp3File(const std::string& path) {
    struct stat info {};
    FILE* in = nullptr;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !(in = std::fopen(path.c_str(), "rb"))) {
        error = true;
        return;
    }
    imageSize = static_cast<std::size_t>(info.st_size);
    // libmad needs a few zero bytes after the last frame to decode it.
    image.assign(imageSize + MAD_BUFFER_GUARD, 0);
    const bool readWhole = std::fread(image.data(), 1, imageSize, in) == imageSize;
    std::fclose(in);
    if (!readWhole) {
        error = true;
        return;
    }
    buffers[0] = resized(nullptr, 0, static_cast<std::size_t>(growthStep));
    buffers[1] = resized(nullptr, 0, static_cast<std::size_t>(growthStep));
    if (!buffers[0] || !buffers[1]) {
        error = true;
        return;
    }
    capacity = growthStep;
    decode();
}

Mp3File::~Mp3File() {
    delete[] buffers[0];
    if (buffers[1] != buffers[0]) delete[] buffers[1];
}

void Mp3File::decode() {
    mad_decoder decoder;
    mad_decoder_init(&decoder, this, Mp3Callbacks::input, nullptr, nullptr, Mp3Callbacks::output,
                     Mp3Callbacks::error, nullptr);
    mad_decoder_run(&decoder, MAD_DECODER_MODE_SYNC);
    mad_decoder_finish(&decoder);
    finish();
}

bool Mp3File::grow() {
    const std::size_t size = static_cast<std::size_t>(capacity) + static_cast<std::size_t>(growthStep);
    float* left = resized(buffers[0], static_cast<std::size_t>(written), size);
    float* right = left ? resized(buffers[1], static_cast<std::size_t>(written), size) : nullptr;
    if (!left || !right) {
        delete[] left;
        return false;
    }
    delete[] buffers[0];
    delete[] buffers[1];
    buffers[0] = left;
    buffers[1] = right;
    capacity = static_cast<int32_t>(size);
    return true;
}

// Trims both buffers to the decoded frames plus the guard frame, and folds a
// stream that never had a stereo frame into one channel.
void Mp3File::finish() {
    for (float*& buffer : buffers) {
        float* trimmed = resized(buffer, static_cast<std::size_t>(written), static_cast<std::size_t>(written) + 1);
        if (trimmed) {
            delete[] buffer;
            buffer = trimmed;
        }
        buffer[written] = buffer[0];
    }
    if (!stereo) {
        channels = 1;
        delete[] buffers[1];
        buffers[1] = buffers[0];
    }
    image.clear();
    image.shrink_to_fit();
    length = written;
}

float* Mp3File::takeBuffer(int channel) {
    float* buffer = buffers[channel];
    if (channel == 0 && buffers[1] == buffer) buffers[1] = nullptr;
    buffers[channel] = nullptr;
    return buffer;
}
