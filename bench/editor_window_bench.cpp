// The editor window as a user meets it, on a private X server (Xvfb): from
// the program's start to its first complete picture inside the host's
// window, cold (page cache dropped first, when allowed) and warm, at 100 and
// 200 %, against a minimal Qt program's start; from an open of the editor
// with the program running to its picture in the new window; and the
// program's CPU with the editor open, idle and while 16 voices move the
// meters.
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_host.h"
#include "editor/quaxel2_editor.h"
#include "synth/quaxel2.h"
#include "tests/e2e-x11/x11_harness.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// One X server, a host window and a settings folder for all the
// benchmarks here.
struct Desk {
    x11_test::XServer server;
    Display* display = nullptr;
    Window window = 0;
    std::string paintFifo = "/tmp/quaxel2-bench-paint-" + std::to_string(getpid());
    std::string configHome;
    int paintReader = -1;

    Desk() {
        if (!server.running()) return;
        display = XOpenDisplay(server.display.c_str());
        if (!display) return;
        window = newWindow();
        unlink(paintFifo.c_str());
        mkfifo(paintFifo.c_str(), 0600);
        paintReader = open(paintFifo.c_str(), O_RDWR | O_NONBLOCK);
        char folder[] = "/tmp/quaxel2-bench-config-XXXXXX";
        if (mkdtemp(folder)) configHome = folder;
        // What the plug-in's editor program inherits.
        setenv("DISPLAY", server.display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("QUAXEL2_UI_TIMING", paintFifo.c_str(), 1);
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        setWindowScale(100);
    }
    ~Desk() {
        if (paintReader >= 0) close(paintReader);
        unlink(paintFifo.c_str());
        if (!configHome.empty()) x11_test::run("rm -rf '" + configHome + "'");
        if (display) XCloseDisplay(display);
    }
    bool ready() const { return display && paintReader >= 0 && !configHome.empty(); }
    void* hostWindow() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

    // A host's window for the editor, mapped.
    Window newWindow() {
        const Window made = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 820, 505, 0, 0, 0);
        XMapWindow(display, made);
        XSync(display, False);
        return made;
    }
    // The size the editor program starts at from now on.
    void setWindowScale(int percent) {
        mkdir((configHome + "/Quaxel2").c_str(), 0700);
        std::ofstream(configHome + "/Quaxel2/UIQuaxel2VST.conf") << "[editor]\nwindowScale=" << percent << "\n";
    }

    // Waits for the program's word that its first picture in a window is complete.
    bool waitForPaint(int ms) {
        char word[64];
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < end) {
            if (read(paintReader, word, sizeof word) > 0) return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }
};

Desk& desk() {
    static Desk instance;
    return instance;
}

// User plus system CPU seconds of a process so far.
double cpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; i++) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void dropPageCache() {
    sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n";
}

// Start to first paint: the plug-in writes the program out and starts it
// with the host's window; the clock stops at the program's first picture.
// The argument is the window size in percent.
void firstPaint(benchmark::State& state, bool cold) {
    Desk& d = desk();
    if (!d.ready()) {
        state.SkipWithError("no X server (Xvfb) to draw on");
        return;
    }
    d.setWindowScale(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto plugin = std::make_unique<Quaxel2>(benchHost);
        if (cold) dropPageCache();
        state.ResumeTiming();
        const auto started = Clock::now();
        plugin->getEditorBridge()->open(d.hostWindow());
        if (!d.waitForPaint(10000)) {
            state.SkipWithError("the editor program never painted");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
        state.PauseTiming();
        plugin.reset();
        state.ResumeTiming();
    }
    d.setWindowScale(100);
}

void BM_WindowFirstPaintCold(benchmark::State& state) { firstPaint(state, true); }
BENCHMARK(BM_WindowFirstPaintCold)->Arg(100)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
void BM_WindowFirstPaintWarm(benchmark::State& state) { firstPaint(state, false); }
BENCHMARK(BM_WindowFirstPaintWarm)->Arg(100)->Arg(200)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

// The reference for the start: the least Qt program with a window of the
// same size, started and timed the same way.
void BM_QtReferenceFirstPaint(benchmark::State& state) {
    Desk& d = desk();
    if (!d.ready()) {
        state.SkipWithError("no X server (Xvfb) to draw on");
        return;
    }
    for (auto _ : state) {
        const auto started = Clock::now();
        pid_t program = -1;
        char* argv[] = {const_cast<char*>(QT_REFERENCE_WINDOW), nullptr};
        if (posix_spawn(&program, QT_REFERENCE_WINDOW, nullptr, nullptr, argv, environ) != 0 ||
            !d.waitForPaint(10000)) {
            state.SkipWithError("the reference program never painted");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
        state.PauseTiming();
        kill(program, SIGTERM);
        waitpid(program, nullptr, 0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_QtReferenceFirstPaint)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

// The open a user makes most: the program runs (the editor was open
// before and closed), and the host opens the editor in a new window of its
// own; the clock stops at the first complete picture there.
void BM_WindowReopenPaint(benchmark::State& state) {
    Desk& d = desk();
    if (!d.ready()) {
        state.SkipWithError("no X server (Xvfb) to draw on");
        return;
    }
    d.setWindowScale(static_cast<int>(state.range(0)));
    Quaxel2 plugin(benchHost);
    Quaxel2Editor& editor = *plugin.getEditorBridge();
    editor.open(d.hostWindow());
    if (!d.waitForPaint(10000)) {
        state.SkipWithError("the editor program never painted");
        return;
    }
    std::vector<Window> windows;
    for (auto _ : state) {
        state.PauseTiming();
        editor.close();
        windows.push_back(d.newWindow());
        state.ResumeTiming();
        const auto started = Clock::now();
        editor.open(reinterpret_cast<void*>(static_cast<uintptr_t>(windows.back())));
        if (!d.waitForPaint(10000)) {
            state.SkipWithError("the editor never painted in its new window");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
    }
    for (Window window : windows) XDestroyWindow(d.display, window);
    XSync(d.display, False);
    d.setWindowScale(100);
}
BENCHMARK(BM_WindowReopenPaint)->Arg(100)->Arg(200)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

// The editor program's CPU over ten seconds with the editor open: idle,
// or while 16 held notes render (the meters and keys move).
void windowCpu(benchmark::State& state, bool playing) {
    Desk& d = desk();
    if (!d.ready()) {
        state.SkipWithError("no X server (Xvfb) to draw on");
        return;
    }
    Quaxel2 plugin(benchHost);
    AEffect* effect = plugin.getAeffect();
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, 256, nullptr, 0);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0);
    plugin.getEditorBridge()->open(d.hostWindow());
    d.waitForPaint(10000);
    const pid_t program = plugin.getEditorBridge()->programPid();
    std::atomic<bool> running{playing};
    std::thread audio([&] {
        if (!running) return;
        std::vector<VstMidiEvent> notes(16);
        VstEvents* events = static_cast<VstEvents*>(std::calloc(1, sizeof(VstEvents) + 16 * sizeof(VstEvent*)));
        events->numEvents = 16;
        for (int i = 0; i < 16; i++) {
            notes[i] = {};
            notes[i].type = kVstMidiType;
            notes[i].byteSize = sizeof(VstMidiEvent);
            notes[i].midiData[0] = static_cast<char>(0x90);
            notes[i].midiData[1] = static_cast<char>(48 + 2 * i);
            notes[i].midiData[2] = 100;
            events->events[i] = reinterpret_cast<VstEvent*>(&notes[i]);
        }
        effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0);
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        auto next = Clock::now();
        while (running) {
            effect->processReplacing(effect, nullptr, outputs, 256);
            next += std::chrono::microseconds(5805);
            std::this_thread::sleep_until(next);
        }
        std::free(events);
    });
    // Past the second after which a quiet window polls at its idle pace.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    double percent = 0.0;
    for (auto _ : state) {
        const double cpu = cpuSeconds(program);
        const auto wall = Clock::now();
        // Long enough that one clock tick of CPU (10 ms) is 0.1 %.
        std::this_thread::sleep_for(std::chrono::seconds(10));
        percent = 100.0 * (cpuSeconds(program) - cpu) / std::chrono::duration<double>(Clock::now() - wall).count();
    }
    running = false;
    audio.join();
    state.counters["program_cpu_percent_of_a_core"] = percent;
}

void BM_WindowIdleCpu(benchmark::State& state) { windowCpu(state, false); }
BENCHMARK(BM_WindowIdleCpu)->Iterations(1)->Unit(benchmark::kMillisecond);
void BM_WindowMetersCpu(benchmark::State& state) { windowCpu(state, true); }
BENCHMARK(BM_WindowMetersCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
