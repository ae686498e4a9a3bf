// Shared pieces of the tests of the tools that load a plug-in offline
// (quaxel2-render, quaxel2-soundcheck): running a tool as a child process, a
// scratch directory, and reading back what it wrote.
#pragma once

#include <string>
#include <vector>

namespace render_test {

// The plug-ins built from tests/fixtures.
inline std::string fixture(const std::string& name) { return QUAXEL2_BINARY_DIR "/fixtures/" + name + ".so"; }

struct RunResult {
    bool exited = false;  // false: killed by a signal
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the program `tool` of the build folder with `args`. With a non-empty
// `fixtureLog`, the sine fixture records what the host did into that file.
RunResult runTool(const std::string& tool, const std::vector<std::string>& args, const std::string& fixtureLog = "");

inline RunResult runRender(const std::vector<std::string>& args, const std::string& fixtureLog = "") {
    return runTool("quaxel2-render", args, fixtureLog);
}

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string write(const std::string& name, const std::string& contents) const;

private:
    std::string dir_;
};

struct Wav {
    bool ok = false;
    int sampleRate = 0;
    int channels = 0;
    int format = 0;
    long long frames = 0;
    std::vector<float> samples;  // interleaved
    float at(long long frame, int channel) const { return samples[frame * channels + channel]; }
};
Wav readWav(const std::string& path);

std::vector<std::string> readLines(const std::string& path);

}  // namespace render_test
