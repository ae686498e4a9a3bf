#include "standalone/options.h"

#include <cstdlib>
#include <cstring>

namespace {

int programNumber(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 127)
        throw StandaloneUsageError("--program needs a number from 0 to 127, not '" + text + "'");
    return static_cast<int>(value);
}

}  // namespace

StandaloneOptions parseStandaloneOptions(int argc, const char* const* argv) {
    StandaloneOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw StandaloneUsageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        } else if (arg == "--jack-name") {
            options.jackName = value();
            options.jackNameGiven = true;
            if (options.jackName.empty()) throw StandaloneUsageError("--jack-name needs a name");
        } else if (arg == "--no-connect") {
            options.connect = false;
        } else if (arg == "--no-gui") {
            options.gui = false;
        } else if (arg == "--state") {
            options.stateFile = value();
        } else if (arg == "--program") {
            options.program = programNumber(value());
        } else if (arg == "--plugin") {
            options.pluginPath = value();
        } else {
            throw StandaloneUsageError("unknown option '" + arg + "' (see --help)");
        }
    }
    return options;
}

const char* standaloneUsageText() {
    return "Usage: quaxel2-standalone [options]\n"
           "Plays the Quaxel2 plug-in (quaxel2.so) on JACK: MIDI in at midi_in, audio out at\n"
           "out_L and out_R. On a PipeWire desktop run it as `pw-jack quaxel2-standalone`.\n"
           "\n"
           "  --jack-name NAME  the JACK client's name (default quaxel2), so that two run side by side\n"
           "  --no-connect      leave the connections to the user (by default the outputs go to\n"
           "                    the first two playback ports and every MIDI capture port to midi_in)\n"
           "  --no-gui          run without a window (the default is a window with the plug-in's\n"
           "                    editor below a menu bar; it needs an X display)\n"
           "  --state FILE      start from this state file instead of the last one\n"
           "  --program N       start with program N (0 to 127)\n"
           "  --plugin PATH     the quaxel2.so to host (default: beside this program, then\n"
           "                    where hosts look: $LXVST_PATH, $VST_PATH, ~/.vst, /usr/local/lib/vst,\n"
           "                    /usr/lib/vst)\n"
           "  --help            this text\n"
           "\n"
           "Quitting (the window, SIGINT, SIGTERM) saves the whole bank to $XDG_STATE_HOME/quaxel2/last.state\n"
           "(~/.local/state/quaxel2/last.state), which the next start restores.\n";
}
