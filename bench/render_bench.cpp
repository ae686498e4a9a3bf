// Render throughput of the audio callback: 16 held voices over one plain
// instrument, and over 16 instruments with every costly switch on.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "instruments/instrument.h"
#include "bench_host.h"
#include "synth/quaxel2.h"

namespace {

constexpr int kBlock = 512;
constexpr double kRate = 44100.0;

struct Setup {
    explicit Setup(int instruments, bool everything) {
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
            if (everything) {
                instrument->setParameter(Instrument::kInterpolate, 1.0f);
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

void renderBlocks(benchmark::State& state, int instruments, bool everything) {
    Setup setup(instruments, everything);
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    for (auto _ : state) {
        setup.plugin->processReplacing(nullptr, outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    const double blocks = static_cast<double>(state.iterations());
    // Seconds of audio per second of CPU, and the cost of one voice playing
    // one instrument for one frame.
    state.counters["realtime_x"] = benchmark::Counter(blocks * kBlock / kRate, benchmark::Counter::kIsRate);
    state.counters["ns_per_voice_instrument_frame"] =
        benchmark::Counter(blocks * kBlock * 16 * instruments / 1e9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Render16VoicesOneInstrument(benchmark::State& state) { renderBlocks(state, 1, false); }
void BM_Render16Voices16InstrumentsAllOn(benchmark::State& state) { renderBlocks(state, 16, true); }
BENCHMARK(BM_Render16VoicesOneInstrument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Render16Voices16InstrumentsAllOn)->Unit(benchmark::kMicrosecond);

}  // namespace
