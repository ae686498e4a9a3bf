// Command line of quaxel2-standalone.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

// A command line that cannot be used as given; the message is one line.
struct StandaloneUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct StandaloneOptions {
    std::string jackName = "quaxel2";
    bool jackNameGiven = false;  // then the client takes exactly that name or fails
    bool connect = true;
    bool gui = true;
    std::optional<std::string> stateFile;
    std::optional<int> program;
    std::string pluginPath;  // empty: found beside the program or where hosts look
    bool help = false;
};

// Throws StandaloneUsageError. With --help, returns with `help` set.
StandaloneOptions parseStandaloneOptions(int argc, const char* const* argv);

const char* standaloneUsageText();
