// quaxel2-standalone-load: quaxel2-standalone under its heaviest load on a
// JACK server of its own (dummy driver, 64-frame periods): 16 held voices
// over a program of 16 instruments with every costly switch on and the
// delay running, for 30 s of real time (--seconds N for another length).
// Prints the xruns and the slowest period's share of its length, as the
// program reports them when it ends. Run by hand; it takes real time.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "contract/parameter_map.h"
#include "programs/chunk.h"
#include "tests/standalone/jack_harness.h"

namespace {

using namespace standalone_test;
using namespace parameter_map;

// 128 programs; program 0 holds 16 looped, interpolated, grain-stretched
// instruments with both envelopes, each listening on every channel, and the delay on.
std::vector<unsigned char> heaviestBank() {
    Program heavy;
    heavy.name = "Heaviest";
    heavy.instrumentCount = kInstruments;
    for (InstrumentProgram& instrument : heavy.instruments) {
        instrument.name = "Warm Pad";
        instrument.values = {0.3f, 0.5f, 0.5f, 0.5f, 0, 1, 1, 0, 0, 0, 0.1f, 0.2f, 0.8f, 0.2f,
                             0.3f, 0.3f, 0.2f, 0.8f, 0, 1, 1, 0.82f};
    }
    heavy.delay.setParameter(delay::kActive, 1.0f);
    heavy.delay.setParameter(delay::kPingpong, 1.0f);
    std::vector<unsigned char> bank;
    writeProgramRecord(bank, heavy);
    for (int i = 1; i < 128; ++i) writeProgramRecord(bank, Program{});
    return bank;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 2 && std::strcmp(argv[1], "--seconds") == 0 ? std::atoi(argv[2]) : 30;
    char pattern[] = "/tmp/quaxel2-standalone-load-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::vector<unsigned char> bank = heaviestBank();
    std::ofstream(dir + "/heavy.state", std::ios::binary)
        .write(reinterpret_cast<const char*>(bank.data()), static_cast<std::streamsize>(bank.size()));

    JackServer server(48000, 64);
    if (!server.up()) {
        std::fprintf(stderr, "jackd did not start\n");
        return 1;
    }
    auto environment = server.environment();
    environment.push_back("XDG_STATE_HOME=" + dir + "/state");
    Process app({QUAXEL2_STANDALONE, "--no-gui", "--no-connect", "--jack-name", "load", "--state", dir + "/heavy.state",
                 "--program", "0"},
                environment, dir + "/out.txt", dir + "/err.txt");
    if (!waitForText(dir + "/out.txt", "playing as", 20)) {
        std::fprintf(stderr, "%s", readFile(dir + "/err.txt").c_str());
        return 1;
    }
    // 16 notes at once, held for the whole run.
    const std::string length = std::to_string(48000 * (seconds + 10));
    std::vector<std::string> sequence = {"jack_midiseq", "seq", length};
    for (int note = 48; note < 64; ++note) sequence.insert(sequence.end(), {"0", std::to_string(note), length});
    Process sequencer(sequence, server.environment());
    for (int attempt = 0; attempt < 50 && server.run({"jack_connect", "seq:out", "load:midi_in"}) != 0; ++attempt)
        usleep(100000);
    sleep(static_cast<unsigned>(seconds));
    app.signal(SIGTERM);
    app.wait(20);
    const std::string out = readFile(dir + "/out.txt");
    const auto figures = out.find(" xruns");
    const auto line = out.rfind('\n', figures) + 1;
    std::printf("%d s at 64 frames (48 kHz), 16 voices x 16 instruments: %s\n", seconds,
                figures == std::string::npos ? "no figures" : out.substr(line, out.find('\n', figures) - line).c_str());
    std::system(("rm -rf " + dir).c_str());
    return app.exitCode();
}
