// Command line of quaxel2-render.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A command line that cannot be used as given; the message is one line.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ParameterSetting {
    int index;
    float value;  // normalised, 0..1
};

struct RenderOptions {
    std::string pluginPath;
    std::string outputPath;
    std::string midiPath;   // Standard MIDI File, or empty
    std::string noteList;   // note:start:duration[:velocity],... or empty
    std::optional<double> seconds;  // unset: derived from the MIDI input
    int sampleRate = 44100;
    int blockSize = 512;
    std::optional<double> tempo;  // BPM for a note list; a MIDI file brings its own
    std::string chunkPath;
    bool programChunk = false;  // chunk is for the current program, not the bank
    std::optional<int> program;
    std::vector<ParameterSetting> parameters;
    bool help = false;
};

// Throws UsageError. With --help, returns with `help` set and nothing checked.
RenderOptions parseOptions(int argc, const char* const* argv);

const char* usageText();
