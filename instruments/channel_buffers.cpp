#include "instruments/channel_buffers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "instruments/load_cancel.h"

namespace {

// Where buffers of unknown length start; they double from there.
constexpr int64_t kFirstCapacity = int64_t{1} << 16;

std::size_t bytesOf(int64_t frames) { return static_cast<std::size_t>(frames) * sizeof(float); }

}  // namespace

ChannelBuffers::ChannelBuffers(int channelCount, int64_t expectedFrames, int64_t maxFrames)
    : channels(std::clamp(channelCount, 1, 2)), firstCapacity(kFirstCapacity), limit(maxFrames) {
    if (expectedFrames > limit)
        tooLong = true;
    else if (expectedFrames > 0)
        firstCapacity = expectedFrames + 1;
}

ChannelBuffers::~ChannelBuffers() {
    delete[] data[0];
    delete[] data[1];
}

bool ChannelBuffers::makeRoom(int64_t count) {
    if (tooLong || outOfMemory || count < 0) return false;
    if (LoadCancel::requested()) {
        cancelled = true;
        return false;
    }
    if (count > limit - frames) {
        tooLong = true;
        return false;
    }
    const int64_t needed = frames + count + 1;
    if (needed <= capacity) return true;
    const int64_t size = std::min(std::max({needed, 2 * capacity, firstCapacity}), limit + 1);
    if (reallocate(size)) return true;
    outOfMemory = true;
    return false;
}

bool ChannelBuffers::reallocate(int64_t size) {
    float* moved[2] = {nullptr, nullptr};
    for (int c = 0; c < channels; c++) {
        moved[c] = new (std::nothrow) float[static_cast<std::size_t>(size)];
        if (!moved[c]) {
            delete[] moved[0];
            return false;
        }
        if (data[c]) std::memcpy(moved[c], data[c], bytesOf(frames));
    }
    for (int c = 0; c < channels; c++) {
        delete[] data[c];
        data[c] = moved[c];
    }
    capacity = size;
    return true;
}

bool ChannelBuffers::addCopyOfFirstChannel() {
    if (channels == 2) return true;
    if (capacity > 0) {
        data[1] = new (std::nothrow) float[static_cast<std::size_t>(capacity)];
        if (!data[1]) {
            outOfMemory = true;
            return false;
        }
        std::memcpy(data[1], data[0], bytesOf(frames));
    }
    channels = 2;
    return true;
}

bool ChannelBuffers::giveTo(Sample& sample, int rate, const std::string& name) {
    if (tooLong) {
        reportSampleTooLong(name);
        sample.refusedTooLong = true;
    }
    if (tooLong || outOfMemory || cancelled || frames == 0 || rate < 1) return false;
    if (capacity > frames + 1) reallocate(frames + 1);  // failing that, the larger buffers serve as well
    for (int c = 0; c < channels; c++) {
        // A floating-point file may hold anything: what is not a number
        // plays as silence, and no frame is loud enough for a mix of them
        // to overflow.
        for (int64_t i = 0; i < frames; i++) {
            float& x = data[c][i];
            x = std::isfinite(x) ? std::clamp(x, -kLoudestFrame, kLoudestFrame) : 0.0f;
        }
        data[c][frames] = data[c][0];
        sample.buffers[c] = data[c];
        data[c] = nullptr;
    }
    sample.channels = channels;
    sample.length = static_cast<int32_t>(frames);
    sample.samplerate = rate;
    sample.loopEnd = sample.length - 1;
    sample.ownsBuffers = true;
    return true;
}
