// A plug-in object driven as a host drives it, with instruments built from
// small in-memory samples.
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "instruments/instrument.h"
#include "synth/quaxel2.h"
#include "tests/support/midi_events.h"
#include "tests/support/plugin_state.h"

struct PluginFixture {
    static inline double hostTempo = 120.0;
    static inline bool hostGivesTime = true;
    // How often the plug-in asked the host to read its programs' names again.
    static inline std::atomic<int> displayUpdates{0};
    // Every size the plug-in asked the host's editor window to take.
    static inline std::vector<std::pair<int, int>> windowSizes;

    static VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float) {
        static VstTimeInfo info;
        if (opcode == audioMasterVersion) return 2400;
        if (opcode == audioMasterUpdateDisplay) displayUpdates++;
        if (opcode == audioMasterSizeWindow) windowSizes.emplace_back(index, static_cast<int>(value));
        if (opcode == audioMasterGetTime && hostGivesTime) {
            info = VstTimeInfo{};
            info.tempo = hostTempo;
            info.sampleRate = 44100;
            info.flags = kVstTempoValid;
            return reinterpret_cast<VstIntPtr>(&info);
        }
        return 0;
    }

    explicit PluginFixture(int blockSize = 64) {
        hostTempo = 120.0;
        hostGivesTime = true;
        windowSizes.clear();
        loadBlankBank(*plugin);
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(blockSize);
        plugin->resume();
    }

    // An instrument playing `frames` (one guard frame is appended) at root 60.
    Instrument* addInstrument(std::vector<float> frames, int channels = 1) {
        const int length = static_cast<int>(frames.size()) / channels;
        auto* sample = new Sample;
        for (int c = 0; c < channels; c++) {
            auto& channel = sampleData.emplace_back(frames.begin() + c * length, frames.begin() + (c + 1) * length);
            channel.push_back(channel.front());
            sample->loadFromHeader(channel.data(), length, c);
        }
        auto* instrument = new Instrument(plugin->getRenderBlockSize(), 44100);
        instrument->addSample(sample, true);
        Rack& rack = *plugin->getRack(0);
        if (!rack.addInstrument(instrument)) {
            delete instrument;
            return nullptr;
        }
        auto* records = reinterpret_cast<InstrumentData*>(plugin->getInstrumentRegion());
        instrument->initData(&records[instrument->id]);
        return instrument;
    }

    void midi(int status, int data1, int data2, int delta = 0) {
        MidiEvents events;
        plugin->processEvents(events.add(status, data1, data2, delta).list());
        // An empty block applies the event now, as the next block would.
        float none = 0.0f;
        float* outputs[2] = {&none, &none};
        plugin->processReplacing(nullptr, outputs, 0);
    }

    // Renders `frames` frames; left and right follow one another in the result.
    std::pair<std::vector<float>, std::vector<float>> render(int frames) {
        std::vector<float> left(frames, 7.0f), right(frames, 7.0f);
        float* outputs[2] = {left.data(), right.data()};
        plugin->processReplacing(nullptr, outputs, frames);
        return {left, right};
    }

    int activeVoices() const {
        int count = 0;
        for (int i = 0; i < Quaxel2::kNumVoices; i++) count += plugin->getVoice(i)->active;
        return count;
    }

    std::unique_ptr<Quaxel2> plugin = std::make_unique<Quaxel2>(host);
    std::deque<std::vector<float>> sampleData;  // kept alive: samples borrow them
};

inline std::vector<float> constant(int frames, float value) { return std::vector<float>(frames, value); }

inline std::vector<float> ramp(int frames) {
    std::vector<float> data(frames);
    for (int i = 0; i < frames; i++) data[i] = static_cast<float>(i) / 1000.0f;
    return data;
}
