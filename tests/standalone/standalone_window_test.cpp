// quaxel2-standalone with its window, on an X server (Xvfb) and a JACK
// server of each test's own, with the real quaxel2.so and editor program.
#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "jack_harness.h"
#include "tests/e2e-x11/x11_harness.h"
#include "tests/e2e/render_harness.h"

namespace {

using namespace standalone_test;
using render_test::ScratchDir;

const std::string kStandalone = QUAXEL2_BINARY_DIR "/quaxel2-standalone";

// Running processes named UIQuaxel2VST whose parent is `parent`.
std::vector<pid_t> editorPrograms(pid_t parent) {
    std::vector<pid_t> found;
    DIR* processes = opendir("/proc");
    if (!processes) return found;
    while (dirent* entry = readdir(processes)) {
        const pid_t candidate = static_cast<pid_t>(std::atoi(entry->d_name));
        if (candidate <= 0) continue;
        // "pid (name) state ppid ..."
        const std::string stat = readFile("/proc/" + std::to_string(candidate) + "/stat");
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        const std::string name = stat.substr(stat.find('(') + 1, close - stat.find('(') - 1);
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (name == "UIQuaxel2VST" && ppid == parent && state != 'Z') found.push_back(candidate);
    }
    closedir(processes);
    return found;
}

class StandaloneWindow : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"xdotool", "xwininfo"})
            if (!x11_test::installed(tool)) GTEST_SKIP() << tool << " is not installed";
        ASSERT_TRUE(x.running()) << "Xvfb did not start";
        ASSERT_TRUE(jack.up()) << "jackd " << jack.name() << " did not come up";
    }

    std::vector<std::string> environment() const {
        auto settings = jack.environment();
        settings.push_back("DISPLAY=" + x.display);
        settings.push_back("XDG_STATE_HOME=" + dir.path("state"));
        settings.push_back("XDG_CONFIG_HOME=" + dir.path("config"));  // the editor at 100 %
        return settings;
    }
    std::string out(const std::string& name) const { return dir.path(name + ".out"); }
    std::string err(const std::string& name) const { return dir.path(name + ".err"); }

    std::unique_ptr<Process> start(const std::string& name, std::vector<std::string> args) {
        args.insert(args.begin(), {kStandalone, "--no-connect", "--jack-name", name});
        auto process = std::make_unique<Process>(args, environment(), out(name), err(name));
        EXPECT_TRUE(waitForText(out(name), "playing as", 10)) << readFile(err(name));
        return process;
    }

    // The standalone's top-level window, once mapped.
    std::string window() const {
        std::string id = x11_test::run("DISPLAY=" + x.display + " xdotool search --sync --onlyvisible --name '^Quaxel2 - ' 2>/dev/null");
        return id.substr(0, id.find('\n'));
    }

    // The editor program's window inside the native child below the menu bar,
    // both `size` ("WxH"), waited for up to five seconds: that child's
    // "WxH+X+Y" and the editor's.
    std::pair<std::string, std::string> embedded(const std::string& top, const std::string& size = "820x505") const {
        for (int attempt = 0; attempt < 50; ++attempt, usleep(100000)) {
            std::istringstream tree(x11_test::run("DISPLAY=" + x.display + " xwininfo -tree -id " + top));
            for (std::string line; std::getline(tree, line);) {
                std::istringstream words(line);
                std::string id;
                words >> id;
                if (id.rfind("0x", 0) != 0 || line.find(size + "+0+") == std::string::npos) continue;
                const std::string container = line.substr(line.find(size + "+0+"));
                const auto inside = x11_test::childGeometries(x.display, id);
                if (!inside.empty()) return {container.substr(0, container.find(' ')), inside.front()};
            }
        }
        return {};
    }

    x11_test::XServer x;
    JackServer jack;
    ScratchDir dir;
};

// At 100 % the size effEditGetRect gives; at 200 % the plug-in asks for the
// larger size (audioMasterSizeWindow) once the editor program runs.
TEST_F(StandaloneWindow, EmbedsTheEditorAtItsSizeBelowTheMenuBar) {
    const struct {
        int percent;
        const char* size;
    } scales[] = {{100, "820x505"}, {200, "1640x1010"}};
    for (const auto& scale : scales) {
        SCOPED_TRACE(scale.percent);
        std::filesystem::create_directories(dir.path("config/Quaxel2"));
        std::ofstream(dir.path("config/Quaxel2/UIQuaxel2VST.conf"))
            << "[editor]\nwindowScale=" << scale.percent << "\n";
        auto app = start("app", {});
        const std::string top = window();
        ASSERT_FALSE(top.empty()) << readFile(err("app"));
        const auto [container, editor] = embedded(top, scale.size);
        ASSERT_FALSE(container.empty()) << x11_test::run("DISPLAY=" + x.display + " xwininfo -tree -id " + top);
        EXPECT_GT(std::stoi(container.substr(container.rfind('+') + 1)), 10)
            << "no menu bar above the editor: " << container;
        EXPECT_EQ(editor, std::string(scale.size) + "+0+0");
        EXPECT_EQ(editorPrograms(app->pid()).size(), 1u);
        app->signal(SIGTERM);
        EXPECT_TRUE(app->wait(10));
    }
}

// The left channel of a recording, `frames` from the first sound that
// follows silence (a recording may start in the middle of a note).
std::vector<double> noteOf(const std::string& path, size_t frames) {
    const render_test::Wav wav = render_test::readWav(path);
    constexpr long long kQuiet = 1000;
    long long start = 0, silent = kQuiet;  // a file starts after silence
    for (; start < wav.frames; ++start) {
        if (std::fabs(wav.at(start, 0)) <= 1e-4)
            ++silent;
        else if (silent >= kQuiet)
            break;
        else
            silent = 0;
    }
    std::vector<double> note;
    for (long long i = start; i < wav.frames && note.size() < frames; ++i) note.push_back(wav.at(i, 0));
    return note;
}

// How alike two takes are: the peak of their normalised cross-correlation
// within a few frames of their starts (1 for the same sound).
double likeness(const std::vector<double>& a, const std::vector<double>& b) {
    double best = 0;
    for (int lag = -16; lag <= 16; ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (size_t i = 16; i + 16 < a.size() && i + 16 < b.size(); ++i) {
            const double x = a[i], y = b[static_cast<size_t>(static_cast<long>(i) + lag)];
            ab += x * y, aa += x * x, bb += y * y;
        }
        if (aa > 0 && bb > 0) best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

// Program 32 at the start; the first entry of the Program menu (opened from
// File's menu with the Right key, whatever the font's widths) picked with the
// keyboard. What plays then is program 0's sound, not program 32's.
TEST_F(StandaloneWindow, AProgramPickedFromTheMenuChangesWhatPlays) {
    constexpr int kFirst = 32;
    auto app = start("app", {"--program", std::to_string(kFirst)});
    const std::string top = window();
    ASSERT_FALSE(top.empty()) << readFile(err("app"));
    ASSERT_FALSE(embedded(top).first.empty());
    x11_test::run("DISPLAY=" + x.display + " xdotool mousemove --window " + top +
                  " 12 8 click 1 sleep 0.3 key --delay 80 Right Home Return");
    ASSERT_TRUE(waitForText(out("app"), ": program 0 ", 5)) << readFile(out("app"));

    Process sequencer({"jack_midiseq", "seq", "48000", "0", "69", "12000"}, jack.environment());
    for (int attempt = 0; attempt < 50 && jack.run({"jack_connect", "seq:out", "app:midi_in"}) != 0; ++attempt)
        usleep(100000);
    const std::string live = dir.path("live.wav");
    ASSERT_EQ(jack.run({"jack_rec", "-f", live, "-d", "2", "app:out_L", "app:out_R"}), 0);
    app->signal(SIGTERM);
    ASSERT_TRUE(app->wait(10));

    auto render = [&](int program) {
        const std::string path = dir.path("offline" + std::to_string(program) + ".wav");
        const auto result = render_test::runRender({QUAXEL2_SO, "--notes", "69:0:0.25:64", "--program",
                                                    std::to_string(program), "--rate", "48000", "--block", "256",
                                                    "--seconds", "0.5", "-o", path});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return noteOf(path, 9600);
    };
    const std::vector<double> heard = noteOf(live, 9600);
    ASSERT_EQ(heard.size(), 9600u) << "no note in the recording";
    const double asPicked = likeness(heard, render(0)), asBefore = likeness(heard, render(kFirst));
    std::printf("likeness to program 0: %.4f, to program %d: %.4f\n", asPicked, kFirst, asBefore);
    EXPECT_GT(asPicked, 0.95);
    EXPECT_LT(asBefore, asPicked - 0.2);
}

// Every way of ending with the window open: exit 0, the state saved, the
// editor program gone.
TEST_F(StandaloneWindow, EndsCleanlyBySignalOrWindowClose) {
    const struct {
        const char* name;
        int signal;  // 0: the window's close button
    } ends[] = {{"sigterm", SIGTERM}, {"sigint", SIGINT}, {"close", 0}};
    for (const auto& end : ends) {
        SCOPED_TRACE(end.name);
        std::filesystem::remove_all(dir.path("state"));
        auto app = start(end.name, {});
        const std::string top = window();
        ASSERT_FALSE(top.empty()) << readFile(err(end.name));
        ASSERT_FALSE(embedded(top).first.empty());
        const std::vector<pid_t> editors = editorPrograms(app->pid());
        ASSERT_EQ(editors.size(), 1u);

        if (end.signal)
            app->signal(end.signal);
        else
            ASSERT_TRUE(x11_test::askToClose(x.display, top));
        ASSERT_TRUE(app->wait(10));
        EXPECT_TRUE(app->exited());
        EXPECT_EQ(app->exitCode(), 0) << readFile(err(end.name));
        EXPECT_TRUE(std::filesystem::file_size(dir.path("state/quaxel2/last.state")) > 0);
        EXPECT_NE(readFile(out(end.name)).find("state saved"), std::string::npos);
        EXPECT_FALSE(x11_test::alive(editors.front())) << "the editor program outlived the standalone";
    }
}

TEST(StandaloneWindowWithoutDisplay, SaysSoInOneLineAndEndsWithStatus1) {
    ScratchDir dir;
    Process app({kStandalone}, {"DISPLAY=:9999", "XDG_STATE_HOME=" + dir.path("state")}, dir.path("out"),
                dir.path("err"));
    ASSERT_TRUE(app.wait(10));
    EXPECT_EQ(app.exitCode(), 1);
    const std::string said = readFile(dir.path("err"));
    EXPECT_NE(said.find("--no-gui"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

}  // namespace
