// Float buffers for one or two channels that grow as decoded frames arrive,
// never past a frame limit and never by throwing. A loader makes room,
// writes frames, advances, and finally gives the buffers to a sample.
#pragma once

#include <cstdint>
#include <string>

#include "instruments/sample.h"
#include "instruments/sample_limits.h"

class ChannelBuffers {
public:
    // `expectedFrames` is the first capacity asked for, for a length that is
    // known from real data; 0 grows from a small start. Expecting more frames
    // than `maxFrames` marks the buffers too long at once.
    explicit ChannelBuffers(int channels, int64_t expectedFrames = 0, int64_t maxFrames = kMaxSampleFrames);
    ~ChannelBuffers();
    ChannelBuffers(const ChannelBuffers&) = delete;
    ChannelBuffers& operator=(const ChannelBuffers&) = delete;

    // Room for `count` more frames in every channel, and the guard frame.
    // False when they would pass the limit (tooLong), memory is short, or
    // the load was asked to give up (see load_cancel.h).
    bool makeRoom(int64_t count);
    // Where the next frame of `channel` goes.
    float* next(int channel) { return data[channel] + frames; }
    void advance(int64_t count) { frames += count; }
    // A second channel that starts as a copy of the first.
    bool addCopyOfFirstChannel();
    int channelCount() const { return channels; }
    int64_t length() const { return frames; }

    // Hands the buffers, trimmed and with a guard frame equal to frame 0, to
    // an empty sample. Refuses no frames, a rate below 1, or buffers that ran
    // out of room; one that grew too long is reported under `name`.
    bool giveTo(Sample& sample, int rate, const std::string& name) REQUIRES(instrumentAccess);

    bool tooLong = false;
    bool outOfMemory = false;
    bool cancelled = false;  // the thread's load was asked to give up

private:
    bool reallocate(int64_t size);

    float* data[2] = {nullptr, nullptr};
    int channels;
    int64_t frames = 0;
    int64_t capacity = 0;
    int64_t firstCapacity;
    int64_t limit;
};
