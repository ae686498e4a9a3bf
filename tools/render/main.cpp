// quaxel2-render: an offline host that renders MIDI through a VST 2.4
// instrument into a WAV file. Run with --help for the command line.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/render/midi_source.h"
#include "tools/render/offline_host.h"
#include "tools/render/options.h"
#include "tools/render/render.h"
#include "tools/render/wav_writer.h"

namespace {

constexpr double kTailSeconds = 2.0;  // lets releases and effects ring out after the last note
constexpr double kDefaultTempo = 120.0;

// Every failure is reported as exactly one line.
void reportError(const char* message) {
    std::string line = message;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "quaxel2-render: %s\n", line.c_str());
}

std::vector<char> readChunkFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw InputError("cannot read chunk file '" + path + "': " + std::strerror(errno));
    std::vector<char> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) throw InputError("cannot read chunk file '" + path + "'");
    if (data.empty()) throw InputError("chunk file '" + path + "' is empty");
    return data;
}

MidiSource readMidi(const RenderOptions& options) {
    if (!options.midiPath.empty()) return midiFromFile(options.midiPath, options.sampleRate);
    double tempo = options.tempo.value_or(kDefaultTempo);
    if (!options.noteList.empty()) return midiFromNoteList(options.noteList, options.sampleRate, tempo);
    return MidiSource{{}, TempoMap(tempo), 0.0};
}

int render(const RenderOptions& options) {
    // Everything that can be checked without the plug-in is checked first.
    MidiSource midi = readMidi(options);
    std::vector<char> chunk;
    if (!options.chunkPath.empty()) chunk = readChunkFile(options.chunkPath);
    double seconds = options.seconds.value_or(midi.endSeconds + kTailSeconds);
    int64_t totalFrames = std::max<int64_t>(1, std::llround(seconds * options.sampleRate));

    OfflineHost host(options.sampleRate, options.blockSize, midi.tempo);
    host.load(options.pluginPath);
    if (!chunk.empty() && !options.programChunk) host.setChunk(chunk, false);
    if (options.program) host.setProgram(*options.program);
    if (!chunk.empty() && options.programChunk) host.setChunk(chunk, true);
    for (const ParameterSetting& setting : options.parameters)
        host.setParameter(setting.index, setting.value);

    host.start(maxEventsPerBlock(midi.events, totalFrames, options.blockSize));
    WavWriter output(options.outputPath, options.sampleRate, options.blockSize);
    RenderSummary summary = renderBlocks(host, midi.events, totalFrames, options.blockSize,
                                         [&output](const float* left, const float* right, int frames) {
                                             output.write(left, right, frames);
                                         });
    host.stop();
    output.close();

    char level[48] = "0 (silent)";
    if (summary.peak > 0.0f)
        std::snprintf(level, sizeof level, "%.4f (%.1f dBFS)", summary.peak, 20.0 * std::log10(summary.peak));
    std::printf("quaxel2-render: wrote '%s': %lld frames (%.3f s at %d Hz), peak %s\n",
                options.outputPath.c_str(), static_cast<long long>(summary.frames),
                static_cast<double>(summary.frames) / options.sampleRate, options.sampleRate, level);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& error) {
        reportError((std::string(error.what()) + " (see --help)").c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    try {
        return render(options);
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}
