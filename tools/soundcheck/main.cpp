// quaxel2-soundcheck: measures how each factory program sounds through the
// built plug-in: level and decay of a held note, stereo width, and how much
// of C4, C5 and C6 lies off their harmonic series. Run with --help.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/soundcheck/harmonic_grid.h"
#include "tools/soundcheck/level.h"
#include "tools/soundcheck/note_take.h"
#include "tools/soundcheck/report.h"

namespace {

constexpr int kSampleRate = 44100;
constexpr int kVelocity = 100;
constexpr int kHeldNote = 60;
constexpr double kHeldSeconds = 3.0;
constexpr double kAfterReleaseSeconds = 1.0;
constexpr double kAliasingNoteSeconds = 1.0;
// Past the attack and before the end of the take.
constexpr double kSteadyFromSeconds = 0.3;
constexpr double kSteadyToSeconds = 0.8;
// The smallest power of two holding the steady stretch (22050 frames).
constexpr size_t kFftSize = 32768;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string pluginPath;
    std::string csvPath;
    int first = 0;
    int last = -1;  // -1: the plug-in's last program
    Window window = Window::Hann;
    double gridWidth = kNarrowGrid;
    bool help = false;
};

const char* usageText() {
    return "Usage: quaxel2-soundcheck [--plugin PATH] [--programs A-B] [--csv FILE]\n"
           "Measures each program of a VST 2.4 instrument (at 44100 Hz, velocity 100) and\n"
           "prints one markdown table row per program, then a summary.\n"
           "\n"
           "  --plugin PATH    the plug-in (default: quaxel2.so beside this program)\n"
           "  --programs A-B   programs A to B, counted from 0 (or one program A);\n"
           "                   default: all of them\n"
           "  --csv FILE       also write the rows as CSV\n"
           "  --window W       window of the offgrid spectra: hann (default), whose own\n"
           "                   leakage reads about -33, -42 and -55 dB at C4, C5 and C6\n"
           "                   for a perfectly clean tone, or blackman-harris (under -85 dB)\n"
           "  --grid-width F   half the width of each harmonic's part of the grid, as a\n"
           "                   share of f0 (default 0.01); 0.25 counts vibrato and\n"
           "                   chorus as harmonic, leaving aliasing and noise off the grid\n"
           "\n"
           "Columns: peak400 is the loudest 400 ms of C4 held 3 s (RMS of both channels);\n"
           "fall20 the time after which the level (50 ms windows, 10 ms apart) is first\n"
           "20 dB under its loudest so far while the key is down, 'held' if never; at3s\n"
           "whether 2.9-3.0 s is within 30 dB of the loudest 50 ms; width the side/mid\n"
           "energy in dB (-99 for mono) and corr the left/right correlation over the held\n"
           "3 s; offgrid the energy off the harmonic series of C4, C5 and C6 (each held\n"
           "1 s, 0.3-0.8 s analysed) against the energy on it, in dB; n/a where the note\n"
           "has died away by then (60 dB under its loudest 50 ms). fall20 reads 'silent'\n"
           "for a program that makes no sound.\n";
}

int parseProgram(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < 0 || value > INT_MAX)
        throw UsageError("--programs: expected A-B or A with program numbers from 0, got '" + text + "'");
    return static_cast<int>(value);
}

std::string besideThisProgram(const std::string& name) {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return name;
    std::string self(path, static_cast<size_t>(length));
    return self.substr(0, self.rfind('/') + 1) + name;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--plugin") {
            options.pluginPath = value();
        } else if (arg == "--csv") {
            options.csvPath = value();
        } else if (arg == "--window") {
            const std::string name = value();
            if (name == "hann")
                options.window = Window::Hann;
            else if (name == "blackman-harris")
                options.window = Window::BlackmanHarris;
            else
                throw UsageError("--window: expected hann or blackman-harris, got '" + name + "'");
        } else if (arg == "--grid-width") {
            const std::string text = value();
            char* end = nullptr;
            options.gridWidth = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || *end || !(options.gridWidth > 0 && options.gridWidth < 0.5))
                throw UsageError("--grid-width: expected a share of f0 between 0 and 0.5, got '" + text + "'");
        } else if (arg == "--programs") {
            const std::string range = value();
            const size_t dash = range.find('-');
            options.first = parseProgram(range.substr(0, dash));
            options.last = dash == std::string::npos ? options.first : parseProgram(range.substr(dash + 1));
            if (options.last < options.first) throw UsageError("--programs: '" + range + "' runs backwards");
        } else {
            throw UsageError("unknown argument '" + arg + "'");
        }
    }
    if (options.pluginPath.empty()) options.pluginPath = besideThisProgram("quaxel2.so");
    return options;
}

ProgramFigures measureProgram(const std::string& plugin, int program, Window window, double gridWidth) {
    ProgramFigures figures;
    figures.program = program;

    NotePlay held{program, kHeldNote, kVelocity, kHeldSeconds, kHeldSeconds + kAfterReleaseSeconds};
    const NoteTake take = takeNote(plugin, held, kSampleRate);
    figures.name = take.programName;
    figures.held = measureHeldNote(take.left.data(), take.right.data(), take.left.size(), kSampleRate,
                                   static_cast<size_t>(std::lround(kHeldSeconds * kSampleRate)));

    const auto steadyFrom = static_cast<size_t>(std::lround(kSteadyFromSeconds * kSampleRate));
    const auto steadyTo = static_cast<size_t>(std::lround(kSteadyToSeconds * kSampleRate));
    for (size_t i = 0; i < kAliasingNotes.size(); ++i) {
        const int note = kAliasingNotes[i];
        NotePlay play{program, note, kVelocity, kAliasingNoteSeconds, kAliasingNoteSeconds};
        const NoteTake steady = takeNote(plugin, play, kSampleRate);
        const double nominalHz = 440.0 * std::exp2((note - 69) / 12.0);
        figures.offgridDb[i] = steadyOffgridDb(steady.left.data(), steady.right.data(), steady.left.size(),
                                               steadyFrom, steadyTo, kSampleRate, nominalHz, kFftSize, window,
                                               gridWidth);
    }
    return figures;
}

int run(const Options& options) {
    const int count = programCount(options.pluginPath, kSampleRate);
    const int last = options.last < 0 ? count - 1 : options.last;
    if (last >= count)
        throw UsageError("--programs: '" + options.pluginPath + "' has programs 0 to " + std::to_string(count - 1));

    std::ofstream csv;
    if (!options.csvPath.empty()) {
        csv.open(options.csvPath);
        if (!csv) throw std::runtime_error("cannot write '" + options.csvPath + "': " + std::strerror(errno));
        csv << csvHeader();
    }
    std::fputs(tableHeader().c_str(), stdout);
    std::vector<ProgramFigures> all;
    for (int program = options.first; program <= last; ++program) {
        all.push_back(measureProgram(options.pluginPath, program, options.window, options.gridWidth));
        std::fputs(tableRow(all.back()).c_str(), stdout);
        std::fflush(stdout);  // a long run shows its rows as they come
        if (csv.is_open()) csv << csvRow(all.back()) << std::flush;
    }
    std::fputs(("\n" + summaryText(summarise(all))).c_str(), stdout);
    if (csv.is_open() && !csv) throw std::runtime_error("cannot write '" + options.csvPath + "'");
    return 0;
}

void reportError(const std::string& message) {
    std::string line = message;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "quaxel2-soundcheck: %s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(argc, argv);
        if (options.help) {
            std::fputs(usageText(), stdout);
            return 0;
        }
        return run(options);
    } catch (const UsageError& error) {
        reportError(std::string(error.what()) + " (see --help)");
        return 2;
    } catch (const std::exception& error) {
        reportError(error.what());
        return 1;
    }
}
