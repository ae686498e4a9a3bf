// Drives a VST 2.4 instrument over a render: the host's time info follows a
// tempo map, and the MIDI events carry absolute frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/midi_source.h"
#include "tools/render/tempo_map.h"
#include "tools/vst-host/vst_host.h"

class OfflineHost {
public:
    OfflineHost(int sampleRate, int blockSize, TempoMap tempo);

    // dlopen, VSTPluginMain, record checks, effOpen, sample rate and block size.
    void load(const std::string& path) { host_.load(path); }

    void setChunk(std::vector<char>& data, bool forProgram) { host_.setChunk(data, forProgram); }
    void setProgram(int program) { host_.setProgram(program); }
    int programCount() const { return host_.programCount(); }
    std::string programName() { return host_.programName(); }  // of the current program
    void setParameter(int index, float value);

    // Switches the plug-in on; later blocks may carry up to maxEventsPerBlock events.
    void start(size_t maxEventsPerBlock) { host_.start(maxEventsPerBlock); }

    // One block of `frames` frames from sample `position`. The events' frames are
    // absolute and lie inside the block. Allocates nothing.
    void process(int64_t position, const TimedMidiEvent* events, size_t count, int frames);
    const float* left() const { return host_.left(); }
    const float* right() const { return host_.right(); }

    void stop() { host_.stop(); }

private:
    int sampleRate_;
    TempoMap tempo_;
    bool transportStarting_ = true;
    VstHost host_;
};
