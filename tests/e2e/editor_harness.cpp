#include "editor_harness.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>

#include "tests/support/offscreen_editor.h"

namespace editor_test {

namespace {

[[maybe_unused]] const bool offscreen = useOffscreenEditor();

constexpr std::size_t kInstrumentRegionSize = 43072;
constexpr std::size_t kSlotSize = 2680;
constexpr std::size_t kSampleRegionSize = 7728;

std::string uiFifoPath(int n) { return "/tmp/quaxel2ui" + std::to_string(n) + ".fifo"; }
std::string pluginFifoPath(int n) { return "/tmp/quaxel2plugin" + std::to_string(n) + ".fifo"; }
std::string instrumentRegion(int n) { return "/instrument.mmap" + std::to_string(n); }
std::string sampleRegion(int n) { return "/sample.mmap" + std::to_string(n); }

void* makeRegion(const std::string& name, std::size_t size) {
    const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return nullptr;
    void* mapped = MAP_FAILED;
    if (size > 0 && ftruncate(fd, static_cast<off_t>(size)) == 0)
        mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return mapped == MAP_FAILED ? nullptr : mapped;
}

int openFifo(const std::string& path) {
    mkfifo(path.c_str(), 0600);
    return open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void execEditor(const char* path, char* const* argv, int output) {
    dup2(output, STDOUT_FILENO);
    // No settings at all, where none can be written either: the user's own
    // (a window size, say) never reach a test.
    setenv("XDG_CONFIG_HOME", "/dev/null/quaxel2-tests", 1);
    execv(path, argv);
    _exit(127);
}

}  // namespace

std::vector<unsigned char> embeddedImage() {
    void* library = dlopen(QUAXEL2_SO, RTLD_NOW | RTLD_LOCAL);
    if (!library) return {};
    const auto* image = static_cast<const unsigned char*>(dlsym(library, "uifile"));
    const auto* size = static_cast<const int32_t*>(dlsym(library, "uifile_size"));
    std::vector<unsigned char> bytes;
    if (image && size && *size > 0) bytes.assign(image, image + *size);
    dlclose(library);
    return bytes;
}

// Four numbers a process, from 10,000,000 on: above those the widget tests
// take (1,000,000 + their process id) and those plug-in objects take.
int uniqueInstance(int k) { return 10000000 + static_cast<int>(getpid()) * 4 + k; }

PluginSide::PluginSide(int instance, Regions regions) : instance(instance) {
    uiFifo = openFifo(uiFifoPath(instance));
    pluginFifo = openFifo(pluginFifoPath(instance));
    const bool full = regions == fullRegions;
    instruments = static_cast<unsigned char*>(makeRegion(instrumentRegion(instance), full ? kInstrumentRegionSize : 0));
    void* sample = makeRegion(sampleRegion(instance), full ? kSampleRegionSize : 0);
    if (sample) munmap(sample, kSampleRegionSize);
    for (int slot = 0; slot < 16; slot++) setSlotId(slot, -1);
}

PluginSide::~PluginSide() {
    if (instruments) munmap(instruments, kInstrumentRegionSize);
    shm_unlink(instrumentRegion(instance).c_str());
    shm_unlink(sampleRegion(instance).c_str());
    close(uiFifo);
    close(pluginFifo);
    unlink(uiFifoPath(instance).c_str());
    unlink(pluginFifoPath(instance).c_str());
    unlink(("/tmp/UIQuaxel2VST" + std::to_string(instance)).c_str());
}

std::string PluginSide::writeExecutable() const {
    const std::string path = "/tmp/UIQuaxel2VST" + std::to_string(instance);
    const std::vector<unsigned char> image = embeddedImage();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return "";
    const bool written = !image.empty() && std::fwrite(image.data(), image.size(), 1, file) == 1;
    std::fclose(file);
    return written && chmod(path.c_str(), 0700) == 0 ? path : "";
}

void PluginSide::send(const std::vector<unsigned char>& bytes) const {
    if (write(pluginFifo, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::perror("send");
}

std::vector<unsigned char> PluginSide::received() const {
    std::vector<unsigned char> bytes(65536);
    const ssize_t count = read(uiFifo, bytes.data(), bytes.size());
    bytes.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    return bytes;
}

void PluginSide::setSlotId(int slot, int id) {
    if (instruments) std::memcpy(instruments + slot * kSlotSize, &id, sizeof id);
}

EditorProcess::EditorProcess(const std::string& path, const std::vector<std::string>& args, Parent parent) {
    std::vector<std::string> words = {"UIQuaxel2VST"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    int out[2], report[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(report, O_CLOEXEC) != 0) return;
    const pid_t child = fork();
    if (child == 0) {
        if (parent == testProcess) execEditor(path.c_str(), argv.data(), out[1]);
        const pid_t editor = fork();
        if (editor == 0) execEditor(path.c_str(), argv.data(), out[1]);
        if (write(report[1], &editor, sizeof editor) != sizeof editor) _exit(1);
        for (;;) pause();
    }
    close(out[1]);
    close(report[1]);
    output = out[0];
    if (parent == testProcess) {
        pid = child;
    } else {
        intermediate = child;
        if (child < 0 || read(report[0], &pid, sizeof pid) != sizeof pid) pid = -1;
    }
    close(report[0]);
}

EditorProcess::~EditorProcess() {
    killParent();
    if (pid > 0 && !reaped) {
        kill(pid, SIGKILL);
        exitStatus(2000);
    }
    if (output >= 0) close(output);
}

void EditorProcess::killParent() {
    if (intermediate <= 0) return;
    kill(intermediate, SIGKILL);
    waitpid(intermediate, nullptr, 0);
    intermediate = -1;
}

std::string EditorProcess::nextLine() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        const std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p = {output, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return "<timeout>";
        char buffer[4096];
        const ssize_t count = read(output, buffer, sizeof buffer);
        if (count <= 0) return "<end>";
        pending.append(buffer, static_cast<std::size_t>(count));
    }
}

int EditorProcess::exitStatus(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    int status = 0;
    do {
        // Before its parent dies an orphan is not our child yet: ECHILD.
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
            reaped = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < until);
    return -1;
}

}  // namespace editor_test
