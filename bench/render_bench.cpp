// Render throughput of the audio callback: 16 held voices over one looped,
// interpolated instrument, and over 4 and 16 instruments with every costly
// switch on. Each case also measures FluidSynth (16 and 256 voices) in the
// same run and reports the ratio of the costs per voice-frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "instruments/instrument.h"
#include "bench_host.h"
#include "fluid_reference.h"
#include "tests/support/plugin_state.h"
#include "synth/quaxel2.h"

namespace {

constexpr int kBlock = 512;
constexpr double kRate = 44100.0;

struct Setup {
    explicit Setup(int instruments, bool everything) {
        // Only the instruments made here: not the factory program's.
        loadBlankBank(*plugin);
        plugin->setSampleRate(static_cast<float>(kRate));
        plugin->setBlockSize(kBlock);
        for (int i = 0; i <= 44100; i++) tone[i] = static_cast<float>(0.3 * std::sin(i * 2 * M_PI * 261.6256 / kRate));
        for (int n = 0; n < instruments; n++) {
            auto* sample = new Sample;
            sample->loadFromHeader(tone.data(), 44100, 0);
            auto* instrument = new Instrument(kBlock, static_cast<int>(kRate));
            instrument->addSample(sample, true);
            plugin->getRack(0)->addInstrument(instrument);
            instrument->initData(reinterpret_cast<InstrumentData*>(plugin->getInstrumentRegion()) + n);
            instrument->setParameter(Instrument::kLoop, 1.0f);
            instrument->setParameter(Instrument::kInterpolate, 1.0f);
            if (everything) {
                instrument->setParameter(Instrument::kGrain, 1.0f);
                instrument->setParameter(Instrument::kPitchEg, 0.8f);
                instrument->setParameter(Instrument::kPitchA, 0.5f);
                instrument->setParameter(Instrument::kPitchD, 0.5f);
                instrument->setParameter(Instrument::kTune, 0.5f + n / 480.0f);
            }
        }
        for (int v = 0; v < 16; v++) plugin->play(48 + v, 100, 0, v % 16);
    }
    std::unique_ptr<Quaxel2> plugin = std::make_unique<Quaxel2>(benchHost);
    std::vector<float> tone = std::vector<float>(44101);
};

// FluidSynth's cost per voice-frame at `voices` voices, 0 without it.
double fluidCost(int voices, int frames) {
    FluidReference fluid(voices);
    if (!fluid.ready()) return 0.0;
    fluid.nsPerVoiceFrame(20, kBlock);  // warm up
    return fluid.nsPerVoiceFrame(std::max(frames / kBlock, 20), kBlock);
}

void renderBlocks(benchmark::State& state, int instruments, bool everything) {
    Setup setup(instruments, everything);
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    const double started = threadCpuNs();
    for (auto _ : state) {
        setup.plugin->processReplacing(nullptr, outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    const double ns = threadCpuNs() - started;
    const double blocks = static_cast<double>(state.iterations());
    // Seconds of audio per second of CPU, and the cost of one voice playing
    // one instrument for one frame.
    state.counters["realtime_x"] = benchmark::Counter(blocks * kBlock / kRate, benchmark::Counter::kIsRate);
    const double ours = ns / (blocks * kBlock * 16 * instruments);
    state.counters["ns_per_voice_instrument_frame"] = ours;
    // The reference renders as many voice-frames as we did, right after.
    const int frames = static_cast<int>(std::min(blocks * kBlock * instruments, 2.0e7));
    for (const int voices : {16, 256}) {
        const double fluid = fluidCost(voices, frames * 16 / voices);
        const std::string suffix = "_" + std::to_string(voices);
        state.counters["fluidsynth_ns_per_voice_frame" + suffix] = fluid;
        state.counters["ratio_to_fluidsynth" + suffix] = fluid > 0 ? ours / fluid : 0.0;
    }
}

void BM_Render16VoicesOneInstrument(benchmark::State& state) { renderBlocks(state, 1, false); }
void BM_Render16Voices4InstrumentsAllOn(benchmark::State& state) { renderBlocks(state, 4, true); }
void BM_Render16Voices16InstrumentsAllOn(benchmark::State& state) { renderBlocks(state, 16, true); }
BENCHMARK(BM_Render16VoicesOneInstrument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Render16Voices4InstrumentsAllOn)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Render16Voices16InstrumentsAllOn)->Unit(benchmark::kMicrosecond);

}  // namespace
