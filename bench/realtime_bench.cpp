// The audio callback's worst case while every other thread works: program
// switches, chunk saves and loads, automation of all parameters, and
// instruments added and removed. Reports the 99.9th percentile and the
// maximum time of a 512-frame block at 44.1 kHz, whose budget is 11.6 ms,
// and how many blocks were silent because the engine was busy.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>

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
#include "bench_host.h"
#include "synth/quaxel2.h"
#include "tests/support/midi_events.h"
#include "tests/support/plugin_state.h"

namespace {

constexpr int kBlock = 512;
constexpr int kBlocks = 3000;  // about 35 seconds of audio
// Blocks come at four times the real-time pace: a host's audio thread waits
// for the sound card between blocks, and one that never waits would also be
// throttled by the kernel as a runaway real-time thread.
constexpr double kPace = 4.0;

// Hosts run their audio thread with real-time priority; so does this one
// when the system allows it (it reports which it got).
bool raiseToRealTime() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

void BM_WorstBlockUnderLoad(benchmark::State& state) {
    bool realTime = false;
    for (auto _ : state) {
        Quaxel2 plugin(benchHost);
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
            const bool isPreset = r() % 2;
            loadChunk(plugin, savedChunk(plugin, isPreset), isPreset);
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

        realTime = raiseToRealTime();  // this thread only, after the workers started
        std::vector<float> left(kBlock), right(kBlock);
        float* outputs[2] = {left.data(), right.data()};
        std::vector<double> micros;
        micros.reserve(kBlocks);
        MidiEvents events;
        const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(kBlock / 44100.0 / kPace));
        auto deadline = std::chrono::steady_clock::now();
        for (int b = 0; b < kBlocks; b++) {
            deadline += period;
            std::this_thread::sleep_until(deadline);
            events.clear();
            events.add(0x90, 40 + b % 32, 100, 0).add(0x80, 40 + (b + 8) % 32, 100, 100);
            VstEvents* list = events.list();
            const auto start = std::chrono::steady_clock::now();
            plugin.processEvents(list);
            plugin.processReplacing(nullptr, outputs, kBlock);
            const auto end = std::chrono::steady_clock::now();
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
        running = false;
        for (std::thread& t : workers) t.join();

        const auto worst = std::max_element(micros.begin(), micros.end());
        state.counters["worst_block"] = static_cast<double>(worst - micros.begin());
        std::sort(micros.begin(), micros.end());
        state.counters["p50_us"] = micros[micros.size() / 2];
        state.counters["p999_us"] = micros[static_cast<std::size_t>(micros.size() * 0.999)];
        state.counters["max_us"] = micros.back();
        state.counters["budget_us"] = 1e6 * kBlock / 44100.0;
        state.counters["silent_blocks"] = static_cast<double>(plugin.getSkippedBlocks());
        state.counters["realtime_priority"] = realTime ? 1 : 0;
    }
}
BENCHMARK(BM_WorstBlockUnderLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
