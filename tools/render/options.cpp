#include "tools/render/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kMinRate = 8000;
constexpr int kMaxRate = 768000;
constexpr int kMaxBlock = 65536;
constexpr double kMaxSeconds = 24 * 3600;

long parseInteger(const std::string& option, const std::string& text, long min, long max) {
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < min || value > max)
        throw UsageError(option + ": expected a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", got '" + text + "'");
    return value;
}

double parseNumber(const std::string& option, const std::string& text) {
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value))
        throw UsageError(option + ": expected a number, got '" + text + "'");
    return value;
}

ParameterSetting parseParameter(const std::string& text) {
    auto equals = text.find('=');
    if (equals == std::string::npos)
        throw UsageError("--param: expected INDEX=VALUE, got '" + text + "'");
    ParameterSetting setting;
    setting.index = static_cast<int>(parseInteger("--param index", text.substr(0, equals), 0, 1 << 20));
    double value = parseNumber("--param value", text.substr(equals + 1));
    if (value < 0.0 || value > 1.0)
        throw UsageError("--param: value must be from 0 to 1, got '" + text.substr(equals + 1) + "'");
    setting.value = static_cast<float>(value);
    return setting;
}

}  // namespace

const char* usageText() {
    return "Usage: quaxel2-render [options] PLUGIN.so -o OUT.wav\n"
           "Renders MIDI through a VST 2.4 instrument into a stereo 32-bit float WAV file.\n"
           "\n"
           "MIDI input (at most one):\n"
           "  --midi FILE          Standard MIDI File; its tempo map times the events and\n"
           "                       is reported to the plug-in\n"
           "  --notes LIST         note:start:duration[:velocity],... with times in seconds,\n"
           "                       e.g. 60:0:1:100,64:0.5:1 (velocity 1-127, default 100)\n"
           "\n"
           "Rendering:\n"
           "  -o, --output FILE    WAV file to write (required)\n"
           "  --seconds S          length (default: end of the MIDI input plus 2 s of tail)\n"
           "  --rate HZ            sample rate, 8000-768000 (default 44100)\n"
           "  --block N            frames per processing block, 1-65536 (default 512)\n"
           "  --tempo BPM          tempo reported with --notes, 1-999 (default 120)\n"
           "\n"
           "Plug-in state, applied in this order before the plug-in is switched on:\n"
           "  --chunk FILE         load a bank chunk (effSetChunk, index 0)\n"
           "  --program N          select program N\n"
           "  --program-chunk      load the --chunk file into the selected program\n"
           "                       instead (index 1), after --program\n"
           "  --param INDEX=VALUE  set a parameter to VALUE in 0..1 (repeatable)\n"
           "\n"
           "  -h, --help           show this text\n";
}

RenderOptions parseOptions(int argc, const char* const* argv) {
    RenderOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string inlineValue;
        bool hasInlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            auto equals = arg.find('=');
            if (equals != std::string::npos) {
                inlineValue = arg.substr(equals + 1);
                arg.resize(equals);
                hasInlineValue = true;
            }
        }
        auto value = [&]() -> std::string {
            if (hasInlineValue) return inlineValue;
            if (i + 1 >= argc) throw UsageError(arg + ": missing value");
            return argv[++i];
        };
        auto flagOnly = [&] {
            if (hasInlineValue) throw UsageError(arg + ": takes no value");
        };

        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return options;
        } else if (arg == "-o" || arg == "--output") {
            options.outputPath = value();
        } else if (arg == "--midi") {
            options.midiPath = value();
        } else if (arg == "--notes") {
            options.noteList = value();
            if (options.noteList.empty()) throw UsageError("--notes: empty note list");
        } else if (arg == "--seconds") {
            double seconds = parseNumber(arg, value());
            if (seconds <= 0.0 || seconds > kMaxSeconds)
                throw UsageError("--seconds: must be above 0 and at most 86400");
            options.seconds = seconds;
        } else if (arg == "--rate") {
            options.sampleRate = static_cast<int>(parseInteger(arg, value(), kMinRate, kMaxRate));
        } else if (arg == "--block") {
            options.blockSize = static_cast<int>(parseInteger(arg, value(), 1, kMaxBlock));
        } else if (arg == "--tempo") {
            double tempo = parseNumber(arg, value());
            if (tempo < 1.0 || tempo > 999.0) throw UsageError("--tempo: must be from 1 to 999 BPM");
            options.tempo = tempo;
        } else if (arg == "--chunk") {
            options.chunkPath = value();
        } else if (arg == "--program-chunk") {
            flagOnly();
            options.programChunk = true;
        } else if (arg == "--program") {
            options.program = static_cast<int>(parseInteger(arg, value(), 0, 1 << 20));
        } else if (arg == "--param") {
            options.parameters.push_back(parseParameter(value()));
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }

    if (positional.empty()) throw UsageError("no plug-in given");
    if (positional.size() > 1) throw UsageError("more than one plug-in given: '" + positional[1] + "'");
    options.pluginPath = positional[0];
    if (options.outputPath.empty()) throw UsageError("no output file given (-o OUT.wav)");
    if (!options.midiPath.empty() && !options.noteList.empty())
        throw UsageError("--midi and --notes cannot be combined");
    if (!options.midiPath.empty() && options.tempo)
        throw UsageError("--tempo cannot be combined with --midi: the file's tempo map is used");
    if (options.programChunk && options.chunkPath.empty())
        throw UsageError("--program-chunk needs --chunk FILE");
    return options;
}
