// A sample file loaded from the editor, as the host feels it: the load runs
// on the editor's poll thread, and the host's getChunk meanwhile must not
// wait for the decoding. The file, three minutes of stereo 16-bit WAV, is
// made at the start of the run; the reference is a plain libsndfile read
// of the same file into floats.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_host.h"
#include "instruments/regular_file.h"
#include "synth/editor_requests.h"
#include "synth/quaxel2.h"
#include "tests/support/plugin_state.h"

namespace {

constexpr int kRate = 44100;
constexpr sf_count_t kFrames = 180LL * kRate;

// The file, in a folder of this run's own, removed when the run ends.
struct LongWav {
    LongWav() {
        char pattern[] = "/tmp/quaxel2-bench-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        folder = pattern;
        path = folder + "/three-minutes.wav";
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file) std::abort();
        std::vector<short> block(2 * 4096);
        uint32_t noise = 1;
        for (sf_count_t done = 0; done < kFrames; done += 4096) {
            for (int f = 0; f < 4096; f++) {
                noise = noise * 1664525u + 1013904223u;
                const double t = static_cast<double>(done + f) / kRate;
                block[2 * f] = static_cast<short>(12000.0 * std::sin(2.0 * M_PI * 220.0 * t));
                block[2 * f + 1] = static_cast<short>(static_cast<int32_t>(noise) >> 19);
            }
            sf_writef_short(file, block.data(), std::min<sf_count_t>(4096, kFrames - done));
        }
        sf_close(file);
    }
    ~LongWav() {
        unlink(path.c_str());
        rmdir(folder.c_str());
    }
    std::string folder, path;
};

const std::string& longWav() {
    static LongWav wav;
    return wav.path;
}

// A plug-in without instruments, and the handler of the editor's requests.
struct Loader {
    Loader() : plugin(benchHost), requests(plugin) {
        loadBlankBank(plugin);
        plugin.setSampleRate(44100.0f);
        plugin.setBlockSize(256);
    }
    // As the poll thread asks for it, until the instrument is in the rack.
    void load() {
        requests.loadPath(longWav());
        requests.finishLoads();
    }
    // Takes the loaded instruments out again.
    void clear() { loadBlankBank(plugin); }
    Quaxel2 plugin;
    EditorRequests requests;
};

void BM_PlainLibsndfileRead(benchmark::State& state) {
    const std::string& path = longWav();
    for (auto _ : state) {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        std::vector<float> frames(static_cast<std::size_t>(info.frames * info.channels));
        benchmark::DoNotOptimize(sf_readf_float(file, frames.data(), info.frames));
        sf_close(file);
    }
}
BENCHMARK(BM_PlainLibsndfileRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// fromUiLoadPath as the loads' thread carries it out, announce included.
void BM_EditorLoadsFile(benchmark::State& state) {
    longWav();
    Loader loader;
    for (auto _ : state) {
        loader.load();
        state.PauseTiming();
        if (loader.plugin.getRack(0)->getCount() != 1) state.SkipWithError("the file did not load");
        loader.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorLoadsFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// getChunk from the host's thread; with arg 1, each call comes while the
// loads' thread decodes the file (it has just opened it). The longest call is
// reported as well.
std::atomic<bool> fileOpened{false};

void BM_GetChunk(benchmark::State& state) {
    longWav();
    const bool whileLoading = state.range(0) != 0;
    Loader loader;
    double longest = 0.0;
    for (auto _ : state) {
        std::thread poll;
        if (whileLoading) {
            fileOpened = false;
            RegularFile::afterOpen = [](const std::string&) { fileOpened = true; };
            poll = std::thread([&] { loader.load(); });
            while (!fileOpened) std::this_thread::yield();
        }
        const auto started = std::chrono::steady_clock::now();
        void* chunk = nullptr;
        benchmark::DoNotOptimize(loader.plugin.getChunk(&chunk, false));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        state.SetIterationTime(seconds);
        longest = std::max(longest, seconds);
        if (whileLoading) {
            poll.join();
            RegularFile::afterOpen = nullptr;
            loader.clear();
        }
    }
    state.counters["longest_ms"] = longest * 1e3;
}
BENCHMARK(BM_GetChunk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace
