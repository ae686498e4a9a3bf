// The editor as a host drives it through quaxel2.so: each host is a process
// of its own (its output read line by line), with the real editor program,
// FIFOs and shared memory.
#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "editor/bridge_names.h"
#include "editor/ui_messages.h"
#include "host/vst2.h"
#include "tests/support/instance_numbers.h"
#include "tests/support/midi_events.h"

namespace {

using Lines = std::vector<std::string>;

void settle(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The plug-in as a host makes it, in this (host) process.
struct LoadedPlugin {
    LoadedPlugin() {
        library = dlopen(QUAXEL2_SO, RTLD_NOW | RTLD_LOCAL);
        auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
        effect = entry(host);
    }
    VstIntPtr call(VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, value, ptr, 0);
    }
    void close() { call(effClose); }
    void* library;
    AEffect* effect;
};

// The editor programs this process started and that still run (zombies not counted).
std::vector<pid_t> editorChildren() {
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    while (dirent* entry = readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const auto close = line.rfind(')');
        std::istringstream rest(line.substr(close + 2));
        char state;
        pid_t parent;
        rest >> state >> parent;
        if (parent == getpid() && state != 'Z' && line.find("(UIQuaxel2VST)") != std::string::npos)
            found.push_back(std::atoi(entry->d_name));
    }
    closedir(proc);
    return found;
}

// The instance number of a plug-in, as its editor program is told it: the
// editor is opened and the new program's command line read.
int openedNumber(LoadedPlugin& plugin) {
    const std::vector<pid_t> before = editorChildren();
    plugin.call(effEditOpen, 0, nullptr);
    for (int tries = 0; tries < 100; tries++, settle(10))
        for (pid_t pid : editorChildren()) {
            if (std::find(before.begin(), before.end(), pid) != before.end()) continue;
            std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
            std::string argument;
            for (int i = 0; i < 3 && std::getline(cmdline, argument, '\0'); i++) {
            }
            return std::atoi(argument.c_str());
        }
    return -1;
}

bool exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// Runs `host` in a process of its own whose standard output (and that of
// the programs it starts) is collected; returns the lines once it ended.
Lines runHost(const std::function<void()>& body) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        body();
        std::fflush(stdout);
        _exit(0);
    }
    ::close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
    ::close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    Lines lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

int count(const Lines& lines, const std::string& line) {
    int n = 0;
    for (const std::string& l : lines) n += l == line;
    return n;
}

TEST(EditorBridge, AHostsEditorSequence) {
    const Lines lines = runHost([] {
        std::optional<LoadedPlugin> made;
        const int number = numberTakenBy([&] { made.emplace(); });
        LoadedPlugin& plugin = *made;
        ERect* rect = nullptr;
        plugin.call(effEditGetRect, 0, &rect);
        std::printf("rect %d %d\n", rect->right - rect->left, rect->bottom - rect->top);
        plugin.call(effEditOpen, 0, reinterpret_cast<void*>(255));
        plugin.call(effEditGetRect, 0, &rect);
        std::printf("rect %d %d\n", rect->right - rect->left, rect->bottom - rect->top);
        settle(500);  // room for a slow machine: the program polls every 20 ms
        plugin.call(effEditClose);
        plugin.call(effEditOpen, 0, reinterpret_cast<void*>(256));  // tells the running program
        settle(500);
        const std::vector<pid_t> first = editorChildren();
        std::printf("programs %zu\n", first.size());
        if (first.size() != 1) return;

        kill(first[0], SIGKILL);  // a program that died is started again
        settle(100);
        plugin.call(effEditClose);
        plugin.call(effEditOpen, 0, reinterpret_cast<void*>(257));
        settle(500);
        const std::vector<pid_t> second = editorChildren();
        std::printf("restarted %s\n", second.size() == 1 && second[0] != first[0] ? "yes" : "no");
        if (second.size() != 1) return;

        const auto started = std::chrono::steady_clock::now();
        plugin.close();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        int status;
        std::printf("after close: %s, %s, fifos %s, %s\n", editorChildren().empty() ? "gone" : "running",
                    waitpid(second[0], &status, WNOHANG) < 0 && errno == ECHILD ? "reaped" : "not reaped",
                    exists(bridge::uiFifoPath(number)) || exists(bridge::pluginFifoPath(number)) ? "left" : "removed",
                    ms < 1000 ? "promptly" : "slowly");
    });
    EXPECT_EQ(count(lines, "rect 820 505"), 2);
    EXPECT_EQ(count(lines, "Quaxel2UI > embed into window 255"), 1);
    EXPECT_EQ(count(lines, "Quaxel2UI > embed into window 256"), 1);  // the one re-attach
    EXPECT_EQ(count(lines, "programs 1"), 1);
    EXPECT_EQ(count(lines, "restarted yes"), 1);
    EXPECT_EQ(count(lines, "Quaxel2UI > embed into window 257"), 1);
    EXPECT_EQ(count(lines, "Quaxel2UI > terminating QApplication"), 1);
    EXPECT_EQ(count(lines, "after close: gone, reaped, fifos removed, promptly"), 1);
    if (HasFailure())
        for (const std::string& line : lines) std::printf("  | %s\n", line.c_str());
}

// Notes a host plays while the editor is closed are not queued for the
// program, so however many came, closing the plug-in still gets the quit
// message through and the program leaves by itself, without being killed.
TEST(EditorBridge, NotesWhileClosedLeaveRoomForQuit) {
    const Lines lines = runHost([] {
        LoadedPlugin plugin;
        plugin.call(effEditOpen, 0, reinterpret_cast<void*>(255));
        settle(500);  // the program is up and reading
        plugin.call(effEditClose);
        // Far more than the 64 KiB the queue and the FIFO each hold.
        MidiEvents notes;
        for (int i = 0; i < 1000; i++) notes.add(0x90, 60 + i % 12, 100).add(0x80, 60 + i % 12, 0);
        for (int block = 0; block < 20; block++) plugin.call(effProcessEvents, 0, notes.list());
        const auto started = std::chrono::steady_clock::now();
        plugin.close();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        std::printf("closed %s\n", ms < 500 ? "promptly" : "slowly");
    });
    EXPECT_EQ(count(lines, "Quaxel2UI > terminating QApplication"), 1);
    EXPECT_EQ(count(lines, "closed promptly"), 1);
    if (HasFailure())
        for (const std::string& line : lines) std::printf("  | %s\n", line.c_str());
}

// A host process that waits for a word from the test between two steps.
struct PausedHost {
    explicit PausedHost(const std::function<void(int control)>& body) {
        EXPECT_EQ(pipe(out), 0);
        EXPECT_EQ(pipe(control), 0);
        std::fflush(stdout);
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            ::close(control[1]);  // a test that dies ends the wait
            std::setvbuf(stdout, nullptr, _IOLBF, 0);
            body(control[0]);
            std::fflush(stdout);
            _exit(0);
        }
        ::close(out[1]);
        ::close(control[0]);
    }
    ~PausedHost() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::string nextLine() {
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    // Reads up to the line that starts with `prefix` and returns it; empty
    // at the end of the output.
    std::string awaitLine(const std::string& prefix) {
        for (std::string line; !(line = nextLine()).empty();)
            if (line.rfind(prefix, 0) == 0) return line;
        return "";
    }
    void go() { EXPECT_EQ(write(control[1], "g", 1), 1); }
    void finish() {
        ::close(control[1]);
        ::close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }
    int out[2], control[2];
    pid_t pid;
};

void waitFor(int control) {
    char c;
    if (read(control, &c, 1) != 1) _exit(1);  // the test is gone
}

// Two host processes count from 0 each: their objects must still take
// numbers of their own, so that each editor edits its own plug-in.
TEST(EditorBridge, TwoHostProcessesKeepToTheirOwnPlugins) {
    auto body = [](int control) {
        LoadedPlugin plugin;
        plugin.effect->setParameter(plugin.effect, 513, 0.125f);
        std::printf("number %d\n", openedNumber(plugin));
        std::printf("ready\n");
        waitFor(control);
        std::printf("value %g\n", static_cast<double>(plugin.effect->getParameter(plugin.effect, 513)));
        plugin.close();
    };
    PausedHost first(body), second(body);
    std::vector<int> numbers;
    for (PausedHost* host : {&first, &second}) {
        const std::string line = host->awaitLine("number ");
        ASSERT_FALSE(line.empty());
        numbers.push_back(std::atoi(line.c_str() + 7));
        ASSERT_EQ(host->awaitLine("ready"), "ready");
    }
    ASSERT_GE(numbers[0], 0);
    ASSERT_NE(numbers[0], numbers[1]);  // two objects, two numbers

    // One editor program's request goes to the UI FIFO of one number.
    const int fifo = open(bridge::uiFifoPath(numbers[0]).c_str(), O_WRONLY | O_NONBLOCK);
    const UiMessage request = fromUi::parameter(513, 0.75f);
    ASSERT_EQ(write(fifo, request.bytes, static_cast<std::size_t>(request.size)), request.size);
    ::close(fifo);
    settle(500);  // several of the plug-ins' 10 ms polls
    first.go();
    second.go();
    Lines values;
    for (PausedHost* host : {&first, &second}) {
        values.push_back(host->awaitLine("value"));
        host->finish();
    }
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (Lines{"value 0.125", "value 0.75"}));
}

// Another user's files, or a FIFO others could use, under a number's names
// make that number taken; a link at the program's name is replaced, never
// written through. The numbers after a probe's are spoiled and the next two
// objects must pass over them; another process on the machine that takes one
// of those numbers meanwhile spoils the attempt, so it is made again.
TEST(EditorBridge, TmpObjectsOfOthersAreNeitherUsedNorFollowed) {
    const std::string victim = "/tmp/quaxel2-test-victim-" + std::to_string(getpid());
    std::ofstream(victim) << "victim";
    auto attempt = [&] {
        return runHost([&] {
            LoadedPlugin probe;  // the number before those the next objects try
            const int k = openedNumber(probe);
            probe.close();
            // k + 1: a link at the program's name; k + 2: a FIFO anyone may
            // write; k + 3: a program file of another user.
            symlink(victim.c_str(), bridge::uiExecutablePath(k + 1).c_str());
            mkfifo(bridge::uiFifoPath(k + 2).c_str(), 0600);
            chmod(bridge::uiFifoPath(k + 2).c_str(), 0666);
            std::ofstream(bridge::uiExecutablePath(k + 3)) << "not ours";
            chown(bridge::uiExecutablePath(k + 3).c_str(), 65534, 65534);

            LoadedPlugin first;
            const int firstNumber = openedNumber(first);
            struct stat info {};
            lstat(bridge::uiExecutablePath(k + 1).c_str(), &info);
            std::printf("first %+d, program %s\n", firstNumber - k, S_ISLNK(info.st_mode) ? "a link" : "a file");
            LoadedPlugin second;
            std::printf("second %+d\n", openedNumber(second) - k);
            second.close();
            first.close();
            if (lstat(bridge::uiExecutablePath(k + 1).c_str(), &info) == 0 && S_ISLNK(info.st_mode))
                unlink(bridge::uiExecutablePath(k + 1).c_str());  // left when another process took k + 1
            unlink(bridge::uiFifoPath(k + 2).c_str());
            unlink(bridge::uiExecutablePath(k + 3).c_str());
        });
    };
    auto passed = [](const Lines& lines) {
        return count(lines, "first +1, program a file") == 1 && count(lines, "second +4") == 1;
    };
    Lines lines;
    for (int tries = 0; tries < 10 && !passed(lines = attempt()); tries++) {
    }
    std::ifstream kept(victim);
    std::string content((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "victim");
    unlink(victim.c_str());
    EXPECT_EQ(count(lines, "first +1, program a file"), 1);
    EXPECT_EQ(count(lines, "second +4"), 1);
    if (HasFailure())
        for (const std::string& line : lines) std::printf("  | %s\n", line.c_str());
}

}  // namespace
