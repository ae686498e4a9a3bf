// How long a host waits for a ready plug-in object, and for its removal.
#include <benchmark/benchmark.h>

#include "host/audioeffect.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

namespace {

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

void BM_VSTPluginMain(benchmark::State& state) {
    for (auto _ : state) {
        AEffect* effect = VSTPluginMain(host);
        benchmark::DoNotOptimize(effect);
        state.PauseTiming();
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_VSTPluginMain)->Unit(benchmark::kMicrosecond);

void BM_EffClose(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        AEffect* effect = VSTPluginMain(host);
        state.ResumeTiming();
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
    }
}
BENCHMARK(BM_EffClose)->Unit(benchmark::kMicrosecond);

}  // namespace
