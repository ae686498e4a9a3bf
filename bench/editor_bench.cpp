// The editor bridge as a host and a user feel it: how long effEditOpen
// keeps the host's thread, what the poll costs while the editor sits open,
// how soon an editor's parameter change comes back as its echo, and how
// long effClose takes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "bench_host.h"
#include "editor/bridge_names.h"
#include "editor/quaxel2_editor.h"
#include "synth/quaxel2.h"
#include "tests/support/midi_events.h"

namespace {

// Without a desktop the program draws offscreen; with one, into a real window.
[[maybe_unused]] const bool offscreenWithoutDesktop = std::getenv("DISPLAY") ? true : (setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0);

double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The first open writes the program out and starts it.
void BM_EditorFirstOpen(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto plugin = std::make_unique<Quaxel2>(benchHost);
        AEffect* effect = plugin->getAeffect();
        state.ResumeTiming();
        effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0);
        state.PauseTiming();
        plugin.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorFirstOpen)->Unit(benchmark::kMillisecond)->Iterations(20);

// CPU time of this process (the poll thread, nothing else runs) per second
// of an open, idle editor, in percent of one core.
void BM_IdlePollCpu(benchmark::State& state) {
    Quaxel2 plugin(benchHost);
    plugin.getEditorBridge()->open(nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    double percent = 0.0;
    for (auto _ : state) {
        const double cpu = processSeconds();
        const auto wall = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        percent = 100.0 * (processSeconds() - cpu) / seconds;
    }
    state.counters["cpu_percent_of_a_core"] = percent;
}
BENCHMARK(BM_IdlePollCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

// From an editor's parameter message written to the UI FIFO to its echo on
// the plugin FIFO, through the 10 ms poll (the test reads in the program's place).
void BM_ParameterRoundTrip(benchmark::State& state) {
    Quaxel2 plugin(benchHost);
    Quaxel2Editor& editor = *plugin.getEditorBridge();
    editor.open(nullptr);
    kill(editor.programPid(), SIGKILL);  // the benchmark reads the plugin FIFO itself
    const int number = plugin.getInstanceNumber();
    const int toPlugin = open(bridge::uiFifoPath(number).c_str(), O_WRONLY | O_NONBLOCK);
    const int fromPlugin = open(bridge::pluginFifoPath(number).c_str(), O_RDONLY | O_NONBLOCK);
    unsigned char drain[65536];
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    while (read(fromPlugin, drain, sizeof drain) > 0) {
    }
    const UiMessage request = fromUi::parameter(513, 0.3f);
    for (auto _ : state) {
        if (write(toPlugin, request.bytes, static_cast<std::size_t>(request.size)) != request.size) break;
        while (read(fromPlugin, drain, sizeof drain) <= 0) std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    close(toPlugin);
    close(fromPlugin);
}
BENCHMARK(BM_ParameterRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(50)->UseRealTime();

// effClose with the editor program running, after state.range(0) host
// notes came while the editor was closed; 0 is the reference. The program
// has to be told to quit, not left to the second's wait and killed.
void BM_CloseAfterNotesWhileClosed(benchmark::State& state) {
    MidiEvents notes;
    for (int i = 0; i < 500; i++) notes.add(0x90, 60 + i % 12, 100).add(0x80, 60 + i % 12, 0);
    for (auto _ : state) {
        state.PauseTiming();
        AEffect* effect = (new Quaxel2(benchHost))->getAeffect();
        effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the program is up and reading
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0);
        for (int64_t sent = 0; sent < state.range(0); sent += static_cast<int64_t>(notes.size()))
            effect->dispatcher(effect, effProcessEvents, 0, 0, notes.list(), 0);
        state.ResumeTiming();
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
    }
}
BENCHMARK(BM_CloseAfterNotesWhileClosed)->Arg(0)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace
