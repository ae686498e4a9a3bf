// quaxel2-standalone: hosts quaxel2.so through its VST 2.4 entry on JACK, as
// a DAW would, so that what plays here is the plug-in users install.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "standalone/jack_engine.h"
#include "standalone/options.h"
#include "standalone/plugin_location.h"
#include "standalone/state_file.h"
#include "standalone/window_run.h"
#include "tools/vst-host/vst_host.h"

namespace {

constexpr const char* kName = "quaxel2-standalone";

void say(FILE* stream, const std::string& line) {
    std::fprintf(stream, "%s: %s\n", kName, line.c_str());
    std::fflush(stream);
}

// The state the plug-in starts from: --state FILE, else the one saved last;
// a file that is missing or refused leaves the factory bank in place.
void restoreState(VstHost& host, const StandaloneOptions& options) {
    const std::string path = options.stateFile ? *options.stateFile : lastStatePath();
    std::vector<char> bytes;
    std::string why;
    if (!readStateFile(path, bytes, why)) {
        say(stdout, why + "; starting from the factory bank");
        return;
    }
    const StandaloneState state = decodeState(bytes);
    std::vector<char> chunk = state.chunk;
    if (host.setChunk(chunk, false) == 0) {
        say(stdout, "the plug-in refused the state in '" + path + "'; starting from the factory bank");
        return;
    }
    // The program it was on, unless the command line chooses one.
    if (!options.program && state.program >= 0 && state.program < host.programCount()) host.setProgram(state.program);
}

// SIGINT and SIGTERM end the program; SIGUSR1 is how JACK's thread says the
// server went away. All three are blocked in every thread and taken here.
sigset_t endingSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR1);
    return set;
}

void waitForTheEnd(const sigset_t& set, const JackEngine& engine) {
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) continue;
        if (signal != SIGUSR1 || engine.serverGone()) return;
    }
}

int run(const StandaloneOptions& options) {
    const sigset_t signals = endingSignals();
    // Before any thread starts, so that JACK's threads inherit the mask.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::string why;
    if (options.gui && !windowDisplayReachable(why)) {
        say(stderr, why);
        return 1;
    }
    std::unique_ptr<JackEngine> engine = JackEngine::open(options.jackName, options.jackNameGiven, why);
    if (!engine) {
        if (why == "no JACK server is running")
            why += "; start one (e.g. `jackd -d alsa`), or on PipeWire run `pw-jack quaxel2-standalone`";
        say(stderr, why);
        return 1;
    }
    const std::string pluginPath = findPlugin(options.pluginPath);
    if (pluginPath.empty()) {
        say(stderr, "cannot find quaxel2.so beside this program or where hosts look; give it with --plugin");
        return 1;
    }

    VstHost host(kName, VstHost::Pace::Live, engine->sampleRate(), engine->periodFrames());
    try {
        host.load(pluginPath);
        restoreState(host, options);
        if (options.program) host.setProgram(*options.program);
    } catch (const HostError& error) {
        say(stderr, error.what());
        return 1;
    }

    const pid_t self = getpid();
    if (!engine->start(host, [self] { kill(self, SIGUSR1); }, why)) {
        say(stderr, why);
        return 1;
    }
    if (options.connect) engine->connectToPhysicalPorts();
    say(stdout, "playing as JACK client '" + engine->clientName() + "' at " + std::to_string(engine->sampleRate()) +
                    " Hz, " + std::to_string(engine->periodFrames()) + " frames a period; program " +
                    std::to_string(host.program()) + " " + host.programName());

    if (options.gui)
        playInWindow(host, *engine, signals);
    else
        waitForTheEnd(signals, *engine);

    // The editor is closed by now. The plug-in is off before its state is
    // taken, and closed (which ends its editor program) before anything is written.
    engine->stop();
    const StandaloneState state{host.chunk(false), host.program()};
    host.close();
    const bool serverGone = engine->serverGone();
    if (serverGone) say(stderr, "the JACK server went away (" + engine->shutdownReason() + ")");
    char figures[96];
    std::snprintf(figures, sizeof figures, "%ld xruns; the slowest period took %.1f%% of its length",
                  engine->xruns(), engine->slowestPeriod() * 100.0);
    say(stdout, figures);
    engine.reset();

    const std::string statePath = lastStatePath();
    if (state.chunk.empty() || !writeStateFile(statePath, encodeState(state), why)) {
        say(stderr, state.chunk.empty() ? "the plug-in gave no state to save" : why);
        return 1;
    }
    say(stdout, "state saved to '" + statePath + "'");
    return serverGone ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    StandaloneOptions options;
    try {
        options = parseStandaloneOptions(argc, argv);
    } catch (const StandaloneUsageError& error) {
        say(stderr, error.what());
        return 2;
    }
    if (options.help) {
        std::fputs(standaloneUsageText(), stdout);
        return 0;
    }
    return run(options);
}
