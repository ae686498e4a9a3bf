// quaxel2-standalone on real JACK servers (the dummy driver, in real time):
// what it plays, the transport's tempo, its state across runs, its names and
// its ends.
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "contract/parameter_map.h"
#include "tests/e2e/render_harness.h"
#include "jack_harness.h"
#include "tests/support/pitch_estimate.h"
#include "standalone/state_file.h"
#include "tools/vst-host/vst_host.h"

namespace {

using namespace standalone_test;
using render_test::ScratchDir;

constexpr int kRate = 48000;
constexpr int kPluckProgram = 44;  // a plucked string, silent again soon after its note ends
const std::string kStandalone = QUAXEL2_BINARY_DIR "/quaxel2-standalone";

// The frames where sound starts after at least `quiet` frames of silence.
std::vector<size_t> onsets(const std::vector<double>& x, size_t quiet = 1000, double threshold = 1e-4) {
    std::vector<size_t> found;
    size_t silent = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::fabs(x[i]) <= threshold) {
            ++silent;
            continue;
        }
        if (silent >= quiet) found.push_back(i);
        silent = 0;
    }
    return found;
}

double rmsDb(const std::vector<double>& x, size_t from, size_t frames) {
    double energy = 0;
    for (size_t i = from; i < from + frames && i < x.size(); ++i) energy += x[i] * x[i];
    return 10 * std::log10(energy / static_cast<double>(frames));
}

std::vector<double> channel(const render_test::Wav& wav, int which) {
    std::vector<double> x(static_cast<size_t>(wav.frames));
    for (long long i = 0; i < wav.frames; ++i) x[static_cast<size_t>(i)] = wav.at(i, which);
    return x;
}

// A bank saved by the real plug-in after `change` set parameters on program `program`.
template <class Change>
std::vector<char> bankWith(int program, Change change) {
    VstHost host("quaxel2-standalone-test", VstHost::Pace::Offline, kRate, 256);
    host.load(QUAXEL2_SO);
    host.setProgram(program);
    change(host);
    return host.chunk(false);
}

float savedParameter(const std::string& path, int program, int index) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<char> chunk = decodeState(bytes).chunk;
    VstHost host("quaxel2-standalone-test", VstHost::Pace::Offline, kRate, 256);
    host.load(QUAXEL2_SO);
    if (host.setChunk(chunk, false) == 0) return -1;
    host.setProgram(program);
    return host.parameter(index);
}

class StandaloneJack : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.up()) << "jackd " << server.name() << " did not come up"; }

    std::vector<std::string> environment() const {
        auto settings = server.environment();
        settings.push_back("XDG_STATE_HOME=" + dir.path("state"));
        return settings;
    }
    std::string statePath() const { return dir.path("state/quaxel2/last.state"); }

    // Starts the program and waits until it plays; its output goes to NAME.out and NAME.err.
    std::unique_ptr<Process> start(const std::string& name, std::vector<std::string> args) {
        args.insert(args.begin(), {kStandalone, "--no-gui", "--jack-name", name});
        auto process = std::make_unique<Process>(args, environment(), dir.path(name + ".out"), dir.path(name + ".err"));
        EXPECT_TRUE(waitForText(dir.path(name + ".out"), "playing as", 10)) << readFile(dir.path(name + ".err"));
        return process;
    }
    // Connects two ports once both exist.
    bool connect(const std::string& from, const std::string& to) const {
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (server.run({"jack_connect", from, to}) == 0) return true;
            usleep(100000);
        }
        return false;
    }
    std::string ports(const std::string& options) const {
        const std::string out = dir.path("ports.txt");
        Process lister({"jack_lsp", options}, server.environment(), out);
        lister.wait(10);
        return readFile(out);
    }
    // Ends it by `signal` and checks that it ends well.
    void end(Process& process, const std::string& name, int signal = SIGTERM) {
        process.signal(signal);
        ASSERT_TRUE(process.wait(10)) << name << " did not end";
        EXPECT_TRUE(process.exited()) << name << " was killed";
        EXPECT_EQ(process.exitCode(), 0) << readFile(dir.path(name + ".err"));
    }

    JackServer server;
    ScratchDir dir;
};

TEST_F(StandaloneJack, PlaysANoteAsTheOfflineRenderDoesOnTheFrameItWasSent) {
    // A period lost to a busy machine (an xrun in the server, or the
    // recorder falling behind) moves what follows it. The recording is
    // taken again, up to three times, until its onsets are evenly spaced: a
    // fault of the program's own would show in every one.
    const std::string recording = dir.path("jack.wav");
    std::vector<double> liveLeft;
    std::vector<size_t> liveOnsets;
    for (int attempt = 1;; attempt++) {
        auto app = start("app", {"--no-connect", "--program", std::to_string(kPluckProgram)});
        // A loop of 24,000 frames: note 69 from frame 0 for 6,000 frames, then silence.
        Process sequencer({"jack_midiseq", "seq", "24000", "0", "69", "6000"}, server.environment());
        ASSERT_TRUE(connect("seq:out", "app:midi_in"));
        ASSERT_EQ(server.run({"jack_rec", "-f", recording, "-d", "2", "-b", "32", "app:out_L", "app:out_R"}), 0);
        sequencer.signal(SIGTERM);
        sequencer.wait(5);
        end(*app, "app");
        const auto live = render_test::readWav(recording);
        ASSERT_TRUE(live.ok);
        ASSERT_EQ(live.sampleRate, kRate);
        liveLeft = channel(live, 0);
        liveOnsets = onsets(liveLeft);
        bool even = liveOnsets.size() >= 3;
        for (size_t i = 1; i < liveOnsets.size(); ++i) even = even && liveOnsets[i] - liveOnsets[i - 1] == 24000u;
        if (even || attempt == 3) break;
    }

    const render_test::RunResult render = render_test::runRender(
        {QUAXEL2_SO, "--notes", "69:0:0.125:64", "--program", std::to_string(kPluckProgram), "--rate", "48000",
         "--block", "256", "--seconds", "0.5", "-o", dir.path("offline.wav")});
    ASSERT_EQ(render.exitCode, 0) << render.err;

    const auto offline = render_test::readWav(dir.path("offline.wav"));
    ASSERT_TRUE(offline.ok);
    const std::vector<double> offlineLeft = channel(offline, 0);
    ASSERT_GE(liveOnsets.size(), 3u);
    for (size_t i = 1; i < liveOnsets.size(); ++i)
        EXPECT_EQ(liveOnsets[i] - liveOnsets[i - 1], 24000u) << "onset " << i;
    const size_t offlineOnset = onsets(offlineLeft, 0).at(0);

    const size_t settle = kRate / 50;  // past the attack
    const double liveHz = pitch::heardHz(liveLeft, kRate, 440, liveOnsets[0] + settle, true);
    const double offlineHz = pitch::heardHz(offlineLeft, kRate, 440, offlineOnset + settle, true);
    ASSERT_GT(offlineHz, 0);
    const double cents = pitch::centsBetween(liveHz, offlineHz);
    const double decibels = rmsDb(liveLeft, liveOnsets[0], 12000) - rmsDb(offlineLeft, offlineOnset, 12000);
    EXPECT_LT(std::fabs(cents), 1.0);
    EXPECT_LT(std::fabs(decibels), 0.5);
    std::printf("live %.4f Hz, offline %.4f Hz: %.5f cents apart; level %.5f dB apart; onsets %zu apart\n", liveHz,
                offlineHz, cents, decibels, liveOnsets[1] - liveOnsets[0]);
}

// The delay synced to one beat, with one echo at full level.
std::vector<char> oneBeatEcho() {
    using namespace parameter_map;
    return bankWith(kPluckProgram, [](VstHost& host) {
        host.setParameter(delayIndex(delay::kActive), 1.0f);
        host.setParameter(delayIndex(delay::kSync), 1.0f);
        host.setParameter(delayIndex(delay::kTime), 0.75f);  // one beat
        host.setParameter(delayIndex(delay::kFeedback), 0.0f);
        host.setParameter(delayIndex(delay::kVolume), 1.0f);
        host.setParameter(delayIndex(delay::kPingpong), 0.0f);
    });
}

TEST_F(StandaloneJack, TheSyncedEchoFollowsTheTransportTempo) {
    struct Case {
        double bpm;  // 0: the transport rolls with no timebase master
        size_t beatFrames;
    } cases[] = {{90, 32000}, {0, 24000}};
    std::vector<char> bank = oneBeatEcho();
    const std::string bankPath = dir.path("echo.state");
    std::ofstream(bankPath, std::ios::binary).write(bank.data(), static_cast<std::streamsize>(bank.size()));
    auto app = start("app", {"--no-connect", "--state", bankPath, "--program", std::to_string(kPluckProgram)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bpm);
        const std::string out = dir.path("tempo.raw");
        ASSERT_EQ(server.run({QUAXEL2_TEMPO_CLIENT, "app", std::to_string(c.bpm), "69", "2400", "45000", out}, 20), 0);
        std::ifstream file(out, std::ios::binary);
        std::vector<float> samples(45000);
        file.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 4));
        // The recording begins a period or so before the note.
        const std::vector<size_t> found = onsets(std::vector<double>(samples.begin(), samples.end()), 200);
        ASSERT_EQ(found.size(), 2u) << "the note and its echo";
        EXPECT_EQ(found[1] - found[0], c.beatFrames);
    }
    end(*app, "app");
}

TEST_F(StandaloneJack, SigtermMidNoteSavesTheStateThatTheNextStartRestores) {
    constexpr int volume = parameter_map::masterIndex(parameter_map::master::kVolume);
    std::vector<char> bank = bankWith(0, [](VstHost& host) { host.setParameter(volume, 0.42f); });
    const std::string given = dir.path("given.state");
    std::ofstream(given, std::ios::binary).write(bank.data(), static_cast<std::streamsize>(bank.size()));

    auto first = start("first", {"--state", given, "--program", "3"});
    Process sequencer({"jack_midiseq", "seq", "48000", "0", "60", "40000"}, server.environment());
    ASSERT_TRUE(connect("seq:out", "first:midi_in"));
    usleep(300000);
    end(*first, "first", SIGTERM);
    EXPECT_NE(readFile(dir.path("first.out")).find("state saved"), std::string::npos);
    EXPECT_NEAR(savedParameter(statePath(), 0, volume), 0.42f, 1e-6);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("state/quaxel2")), {}), 1)
        << "a temporary file was left behind";

    // No --state: the saved file, not the factory bank (whose volume is 1),
    // on the program it was left on.
    auto second = start("second", {});
    EXPECT_EQ(readFile(dir.path("second.out")).find("factory bank"), std::string::npos);
    EXPECT_NE(readFile(dir.path("second.out")).find("; program 3 "), std::string::npos) << readFile(dir.path("second.out"));
    end(*second, "second", SIGINT);
    EXPECT_NEAR(savedParameter(statePath(), 0, volume), 0.42f, 1e-6);
}

TEST_F(StandaloneJack, TwoRunSideBySideUnderTheirOwnNames) {
    auto connected = start("connected", {});
    auto apart = start("apart", {"--no-connect"});
    const std::string listing = ports("-c");
    EXPECT_NE(listing.find("connected:out_L\n   system:playback_1"), std::string::npos) << listing;
    EXPECT_NE(listing.find("connected:out_R\n   system:playback_2"), std::string::npos) << listing;
    EXPECT_NE(listing.find("apart:out_L\napart:out_R\napart:midi_in"), std::string::npos) << listing;

    Process taken({kStandalone, "--no-gui", "--jack-name", "apart"}, environment(), dir.path("taken.out"),
                  dir.path("taken.err"));
    ASSERT_TRUE(taken.wait(10));
    EXPECT_EQ(taken.exitCode(), 1);
    EXPECT_NE(readFile(dir.path("taken.err")).find("client name 'apart'"), std::string::npos);
    end(*connected, "connected");
    end(*apart, "apart");
}

TEST_F(StandaloneJack, FollowsAPeriodSizeChangeWithoutARestart) {
    auto app = start("app", {"--no-connect", "--program", std::to_string(kPluckProgram)});
    ASSERT_EQ(server.run({"jack_bufsize", "512"}), 0);
    EXPECT_TRUE(waitForText(dir.path("app.out"), "period now 512 frames", 10));
    const std::string out = dir.path("after.raw");
    ASSERT_EQ(server.run({QUAXEL2_TEMPO_CLIENT, "app", "0", "69", "2400", "12000", out}, 20), 0);
    std::ifstream file(out, std::ios::binary);
    std::vector<float> samples(12000);
    file.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 4));
    float peak = 0;
    for (float s : samples) peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.01f) << "silent after the change";
    end(*app, "app");
}

TEST_F(StandaloneJack, AServerThatGoesAwayIsReportedAndTheStateKept) {
    auto app = start("app", {"--no-connect"});
    server.stop();
    ASSERT_TRUE(app->wait(10)) << "still running without a server";
    EXPECT_TRUE(app->exited());
    EXPECT_EQ(app->exitCode(), 1);
    EXPECT_NE(readFile(dir.path("app.err")).find("JACK server went away"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_regular_file(statePath()));
}

TEST(StandaloneWithoutJack, SaysSoInOneLineAndEndsWithStatus1) {
    ScratchDir dir;
    Process app({kStandalone, "--no-gui"},
                {"JACK_DEFAULT_SERVER=" + uniqueName("quaxel2-absent"), "JACK_NO_START_SERVER=1",
                 "XDG_STATE_HOME=" + dir.path("state")},
                dir.path("out"), dir.path("err"));
    ASSERT_TRUE(app.wait(10));
    EXPECT_TRUE(app.exited());
    EXPECT_EQ(app.exitCode(), 1);
    const std::string err = readFile(dir.path("err"));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("no JACK server is running"), std::string::npos) << err;
    EXPECT_EQ(readFile(dir.path("out")), "");
    EXPECT_FALSE(std::filesystem::exists(dir.path("state")));
}

}  // namespace
