// Every thread a host and the editor bring, at once: one renders blocks
// with a stream of MIDI notes while others switch programs, save and load
// chunks, automate all 768 parameters, change the format, carry out the
// editor's requests (new, cloned, reset and removed instruments, waveforms,
// markers) and play the editor's keyboard. Run under ThreadSanitizer in
// CI. Afterwards all notes off and the longest release must free every voice.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "contract/parameter_map.h"
#include "instruments/catalogue.h"
#include "instruments/instrument.h"
#include "resources/builtin_resources.h"
#include "synth/editor_requests.h"
#include "synth/quaxel2.h"
#include "tests/support/midi_events.h"
#include "tests/support/plugin_state.h"

namespace {

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static const VstTimeInfo info = [] {
        VstTimeInfo t{};
        t.tempo = 128.0;
        t.sampleRate = 44100.0;
        return t;
    }();
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&info);
    return 0;
}

std::chrono::milliseconds runTime() {
    const char* seconds = std::getenv("QUAXEL2_STRESS_SECONDS");
    return std::chrono::milliseconds(static_cast<int>(1000 * (seconds ? std::atof(seconds) : 4.0)));
}

TEST(ThreadStress, EverythingAtOnceThenNoStuckNote) {
    Quaxel2 plugin(host);
    plugin.setSampleRate(44100.0f);
    plugin.setBlockSize(512);
    plugin.createInstrumentFromString(internalInstrumentName[1]);
    plugin.createInstrumentFromPath(kEmbeddedResources[5].name);

    std::atomic<bool> running{true};
    std::atomic<long> blocks{0};
    std::atomic<bool> badSample{false};
    std::vector<std::thread> others;
    auto spawn = [&](std::function<void(std::mt19937&)> work, unsigned seed) {
        others.emplace_back([&, work, seed] {
            std::mt19937 random(seed);
            while (running.load()) work(random);
        });
    };

    spawn([&](std::mt19937& r) { plugin.setProgram(static_cast<int>(r() % 8)); }, 1);
    spawn([&](std::mt19937& r) {
        const bool isPreset = r() % 2;
        loadChunk(plugin, savedChunk(plugin, isPreset), isPreset);
    }, 2);
    spawn([&](std::mt19937& r) {
        char name[64];
        for (int index = 0; index < Quaxel2::kNumParams; index++) {
            plugin.setParameter(index, static_cast<float>(r() % 1000) / 1000.0f);
            plugin.getParameter(index);
            plugin.getParameterName(index, name);
        }
    }, 3);
    spawn([&](std::mt19937& r) {
        plugin.setSampleRate(r() % 2 ? 44100.0f : 48000.0f);
        plugin.setBlockSize(64 << (r() % 4));
        plugin.suspend();
        plugin.resume();
    }, 4);
    EditorRequests editor(plugin);
    spawn([&](std::mt19937& r) {
        // The editor program's requests, as the poll thread carries them
        // out, and its removals through the shared records.
        const int id = static_cast<int>(r() % 4);
        switch (r() % 8) {
            case 0: editor.loadString(internalInstrumentName[r() % kCatalogueEntries]); break;
            case 1: editor.loadPath(kEmbeddedResources[r() % kEmbeddedResourceCount].name); break;
            case 2: editor.clone(id); break;
            case 3: editor.showWaveform(id); break;
            case 4: editor.refreshPeaks(); break;
            case 5:
                editor.parameter(parameter_map::markerIndex(id, static_cast<int>(r() % 3)),
                                 static_cast<float>(r() % 1000) / 1000.0f);
                break;
            case 6:
                editor.resetParameters(id);
                editor.copyParameters(id, (id + 1) % 4);
                break;
            default: {
                auto* records = reinterpret_cast<InstrumentData*>(plugin.getInstrumentRegion());
                InstrumentData& victim = records[r() % Quaxel2::kInstrumentSlots];
                if (readShared(victim.id) >= 0) writeShared<uint8_t>(victim.deleteRequest, 1);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }, 5);
    spawn([&](std::mt19937& r) {
        const int note = 48 + static_cast<int>(r() % 24);
        plugin.play(note, 100, 0, -1);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        plugin.stop(note, 0, 0, -1);
    }, 6);

    // The audio thread: this one.
    std::mt19937 random(7);
    std::vector<float> left(2048), right(2048);
    float* outputs[2] = {left.data(), right.data()};
    MidiEvents midi;
    const auto end = std::chrono::steady_clock::now() + runTime();
    while (std::chrono::steady_clock::now() < end) {
        const int frames = 1 + static_cast<int>(random() % 1024);
        for (int e = 0; e < 4; e++) {
            const int note = 36 + static_cast<int>(random() % 48);
            const int channel = static_cast<int>(random() % 16);
            midi.add((random() % 2 ? 0x90 : 0x80) | channel, note, 1 + static_cast<int>(random() % 127),
                     static_cast<int>(random() % static_cast<unsigned>(frames)));
        }
        if (random() % 50 == 0) midi.add(0xE0, 0, static_cast<int>(random() % 128), 0);
        plugin.processEvents(midi.list());
        midi.clear();
        plugin.processReplacing(nullptr, outputs, frames);
        for (int i = 0; i < frames; i++)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i])) badSample = true;
        blocks++;
    }
    running = false;
    for (std::thread& t : others) t.join();
    EXPECT_FALSE(badSample.load());
    EXPECT_GT(blocks.load(), 10);

    // All notes off, then the longest release (four seconds, counted in
    // frames at the highest rate used) and a little more.
    plugin.setBlockSize(512);
    midi.add(0xB0, 123, 0, 0);
    plugin.processEvents(midi.list());
    midi.clear();
    for (int block = 0; block < 4 * 48000 / 512 + 8; block++) plugin.processReplacing(nullptr, outputs, 512);
    for (int v = 0; v < Quaxel2::kNumVoices; v++) EXPECT_FALSE(plugin.getVoice(v)->active) << "voice " << v;
}

}  // namespace
