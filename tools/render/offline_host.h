// Loads a VST 2.4 instrument from a shared object and drives it as a host
// does: set-up, switching on, block processing with MIDI and time info, and
// shut-down in the reverse order.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/vst2.h"
#include "tools/render/midi_source.h"
#include "tools/render/tempo_map.h"

struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class OfflineHost {
public:
    OfflineHost(int sampleRate, int blockSize, TempoMap tempo);
    ~OfflineHost();  // stops, closes and unloads whatever is still up
    OfflineHost(const OfflineHost&) = delete;
    OfflineHost& operator=(const OfflineHost&) = delete;

    // dlopen, VSTPluginMain, record checks, effOpen, sample rate and block size.
    void load(const std::string& path);

    void setChunk(std::vector<char>& data, bool forProgram);
    void setProgram(int program);
    int programCount() const { return effect_->numPrograms; }
    std::string programName();  // of the current program
    void setParameter(int index, float value);

    // Switches the plug-in on; later blocks may carry up to maxEventsPerBlock events.
    void start(size_t maxEventsPerBlock);

    // One block of `frames` frames from sample `position`. The events' frames are
    // absolute and lie inside the block. Allocates nothing.
    void process(int64_t position, const TimedMidiEvent* events, size_t count, int frames);
    const float* left() const { return outputs_[0].data(); }
    const float* right() const { return outputs_[outputs_.size() > 1 ? 1 : 0].data(); }

    void stop();

private:
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, void* ptr);
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    VstEvents* eventList() { return reinterpret_cast<VstEvents*>(eventListStorage_.data()); }

    int sampleRate_;
    int blockSize_;
    TempoMap tempo_;
    std::string path_;
    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    bool running_ = false;
    bool transportStarting_ = true;
    VstTimeInfo timeInfo_{};

    std::vector<VstMidiEvent> midiEvents_;
    // Backs a VstEvents whose pointer array holds every event of the fullest block.
    std::vector<VstIntPtr> eventListStorage_;
    std::vector<std::vector<float>> inputs_, outputs_;
    std::vector<float*> inputPointers_, outputPointers_;
};
