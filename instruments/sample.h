// One piece of sound in memory: float frames per channel, and how a note
// plays it (start, loop, root note, recorded rate).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "contract/sample_data.h"
#include "instruments/instrument_access.h"

enum LoopStyle : int32_t { NoLoop = 0, Loop = 1 };

class Sample {
public:
    static constexpr int kMaxChannels = 32;

    Sample() { buffers.fill(nullptr); }

    // Null for a channel above 31 or one that was never loaded.
    float* getBuffer(int channel) const;
    void setSamplerate(int rate) { samplerate = rate; }
    void setLoopStyle(LoopStyle style) REQUIRES(instrumentAccess);
    // Marker setters clamp against the other markers' current values.
    void setLoopStart(int frame) REQUIRES(instrumentAccess);
    void setLoopEnd(int frame) REQUIRES(instrumentAccess);
    void setStartPlay(int frame) REQUIRES(instrumentAccess);
    void setRootNote(int note) REQUIRES(instrumentAccess);
    void setSampleData(SampleData* record) REQUIRES(instrumentAccess);
    // Borrows `data` as `channel` without copying. The array must hold
    // frames + 1 floats: voices read one guard frame past the end.
    void loadFromHeader(const float* data, int frames, int channel) REQUIRES(instrumentAccess);

    // Loaders: each fills an empty sample once and answers whether it could;
    // none throws. A path is opened once, without blocking, and read only if
    // it is then a regular file. Buffers grow with the frames really read; a
    // sample past kMaxSampleFrames (sample_limits.h) is refused with one line
    // on stdout. On success every channel buffer (new[]-allocated, owned by
    // the instrument the sample goes to) ends with a guard frame equal to
    // frame 0.
    bool load(const std::string& path) REQUIRES(instrumentAccess);
    bool loadFromMp3(const std::string& path) REQUIRES(instrumentAccess);
    bool loadFromResource(const std::string& name) REQUIRES(instrumentAccess);
    void adjustRootNote(const std::string& name) REQUIRES(instrumentAccess);
    // The embedded image under a resource name, or null.
    static const unsigned char* pathToBuffer(const std::string& name);
    // True when the 16-bit value at byte 20 (a WAVE header's format tag) is
    // 85: MPEG Layer III data.
    static bool isWavMp3(const std::string& path);
    // Frees the channel buffers a loader made; borrowed arrays stay.
    void releaseOwnedBuffers();

    std::array<float*, kMaxChannels> buffers;
    int32_t channels = 0;
    int32_t length = 0;
    int32_t samplerate = 44100;
    int32_t loopStart GUARDED_BY(instrumentAccess) = 0;
    int32_t loopEnd GUARDED_BY(instrumentAccess) = 0;
    int32_t startPlay GUARDED_BY(instrumentAccess) = 0;
    double rootRatio GUARDED_BY(instrumentAccess) = 1.0;
    LoopStyle loopStyle GUARDED_BY(instrumentAccess) = NoLoop;
    SampleData* sampleData GUARDED_BY(instrumentAccess) = nullptr;
    bool ownsBuffers = false;  // made by a loader rather than borrowed
    bool refusedTooLong = false;  // a loader refused it for its length, and said so
};
