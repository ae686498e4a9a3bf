// The audio callback's worst case while every other thread works: program
// switches, chunk saves and loads, automation of all parameters, and
// instruments added and removed. Reports the 99.9th percentile and the
// maximum time of a 512-frame block at 44.1 kHz, whose budget is 11.6 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "instruments/catalogue.h"
#include "instruments/instrument.h"
#include "resources/builtin_resources.h"
#include "synth/quaxel2.h"

namespace {

constexpr int kBlock = 512;
constexpr int kBlocks = 6000;  // about 70 seconds of audio

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo info{};
    info.tempo = 120.0;
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&info);
    return 0;
}

void BM_WorstBlockUnderLoad(benchmark::State& state) {
    for (auto _ : state) {
        Quaxel2 plugin(host);
        plugin.setSampleRate(44100.0f);
        plugin.setBlockSize(kBlock);
        for (int i = 0; i < 4; i++) plugin.createInstrumentFromString(internalInstrumentName[i * 13]);

        std::atomic<bool> running{true};
        std::vector<std::thread> workers;
        auto spawn = [&](std::function<void(std::mt19937&)> work) {
            workers.emplace_back([&, work] {
                std::mt19937 random(static_cast<unsigned>(workers.size()));
                while (running.load()) {
                    work(random);
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            });
        };
        spawn([&](std::mt19937& r) { plugin.setProgram(static_cast<int>(r() % 4)); });
        spawn([&](std::mt19937& r) {
            void* data = nullptr;
            const bool isPreset = r() % 2;
            const VstInt32 size = plugin.getChunk(&data, isPreset);
            std::vector<unsigned char> copy(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
            plugin.setChunk(copy.data(), size, isPreset);
        });
        spawn([&](std::mt19937& r) {
            for (int index = 0; index < Quaxel2::kNumParams; index++)
                plugin.setParameter(index, static_cast<float>(r() % 1000) / 1000.0f);
        });
        spawn([&](std::mt19937& r) {
            plugin.createInstrumentFromPath(kEmbeddedResources[r() % kEmbeddedResourceCount].name);
            auto* records = reinterpret_cast<InstrumentData*>(plugin.getInstrumentRegion());
            InstrumentData& victim = records[r() % Quaxel2::kInstrumentSlots];
            if (readShared(victim.id) >= 0) writeShared<uint8_t>(victim.deleteRequest, 1);
        });

        std::vector<float> left(kBlock), right(kBlock);
        float* outputs[2] = {left.data(), right.data()};
        std::vector<double> micros;
        micros.reserve(kBlocks);
        std::vector<unsigned char> eventBlock(sizeof(VstEvents) + 2 * sizeof(VstEvent*));
        VstMidiEvent events[2] = {};
        for (int b = 0; b < kBlocks; b++) {
            auto* list = reinterpret_cast<VstEvents*>(eventBlock.data());
            list->numEvents = 2;
            for (int e = 0; e < 2; e++) {
                events[e] = VstMidiEvent{};
                events[e].type = kVstMidiType;
                events[e].deltaFrames = e * 100;
                events[e].midiData[0] = static_cast<char>(e == 0 ? 0x90 : 0x80);
                events[e].midiData[1] = static_cast<char>(40 + (b + e * 8) % 32);
                events[e].midiData[2] = 100;
                list->events[e] = reinterpret_cast<VstEvent*>(&events[e]);
            }
            const auto start = std::chrono::steady_clock::now();
            plugin.processEvents(list);
            plugin.processReplacing(nullptr, outputs, kBlock);
            const auto end = std::chrono::steady_clock::now();
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
        running = false;
        for (std::thread& t : workers) t.join();

        std::sort(micros.begin(), micros.end());
        state.counters["p50_us"] = micros[micros.size() / 2];
        state.counters["p999_us"] = micros[static_cast<std::size_t>(micros.size() * 0.999)];
        state.counters["max_us"] = micros.back();
        state.counters["budget_us"] = 1e6 * kBlock / 44100.0;
        state.counters["silent_blocks"] = static_cast<double>(plugin.getSkippedBlocks());
    }
}
BENCHMARK(BM_WorstBlockUnderLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
