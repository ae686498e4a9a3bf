#include "render_harness.h"

#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace render_test {

namespace {

std::string slurp(FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

}  // namespace

RunResult runTool(const std::string& name, const std::vector<std::string>& args, const std::string& fixtureLog) {
    std::string tool = QUAXEL2_BINARY_DIR "/" + name;
    std::vector<char*> argv{tool.data()};
    std::vector<std::string> copies(args);
    for (auto& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);

    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    RunResult result;
    if (!out || !err) return result;
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        dup2(fileno(out), STDOUT_FILENO);
        dup2(fileno(err), STDERR_FILENO);
        if (fixtureLog.empty())
            unsetenv("QUAXEL2_FIXTURE_LOG");
        else
            setenv("QUAXEL2_FIXTURE_LOG", fixtureLog.c_str(), 1);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    }
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}

ScratchDir::ScratchDir() {
    char pattern[] = "/tmp/quaxel2-render-test-XXXXXX";
    if (mkdtemp(pattern)) dir_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

std::string ScratchDir::write(const std::string& name, const std::string& contents) const {
    std::ofstream(path(name), std::ios::binary) << contents;
    return path(name);
}

Wav readWav(const std::string& path) {
    Wav wav;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return wav;
    wav.sampleRate = info.samplerate;
    wav.channels = info.channels;
    wav.format = info.format;
    wav.frames = info.frames;
    wav.samples.resize(static_cast<size_t>(info.frames) * info.channels);
    wav.ok = sf_readf_float(file, wav.samples.data(), info.frames) == info.frames;
    sf_close(file);
    return wav;
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

}  // namespace render_test
