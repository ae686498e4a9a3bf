#include "standalone/jack_engine.h"

#include <jack/midiport.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// The most MIDI events one period carries to the plug-in; a period's worth
// of a fast controller sweep on all 16 channels fits many times over.
constexpr size_t kMaxEventsPerPeriod = 1024;

void quiet(const char*) {}
void printJackError(const char* message) { std::fprintf(stderr, "quaxel2-standalone: JACK: %s\n", message); }

}  // namespace

std::unique_ptr<JackEngine> JackEngine::open(const std::string& name, bool exactName, std::string& why) {
    // libjack explains a missing server in several lines; the caller says it in one.
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    int options = JackNoStartServer;
    if (exactName) options |= JackUseExactName;
    jack_status_t status{};
    jack_client_t* client = jack_client_open(name.c_str(), static_cast<jack_options_t>(options), &status);
    jack_set_error_function(printJackError);
    if (client) return std::unique_ptr<JackEngine>(new JackEngine(client));
    // A server refuses a name taken exactly with a plain server error.
    if (status & JackServerFailed)
        why = "no JACK server is running";
    else if (exactName && (status & (JackNameNotUnique | JackServerError)))
        why = "the JACK server refused the client name '" + name +
              "' (another client has it?); choose another with --jack-name";
    else {
        char code[32];
        std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(status));
        why = std::string("the JACK server refused the client (status ") + code + ")";
    }
    return nullptr;
}

JackEngine::~JackEngine() {
    stop();
    jack_client_close(client_);
}

std::string JackEngine::clientName() const { return jack_get_client_name(client_); }
int JackEngine::sampleRate() const { return static_cast<int>(jack_get_sample_rate(client_)); }
int JackEngine::periodFrames() const { return static_cast<int>(jack_get_buffer_size(client_)); }

std::string JackEngine::shutdownReason() const { return shutdownReason_; }

bool JackEngine::start(VstHost& host, std::function<void()> serverGone, std::string& why) {
    host_ = &host;
    player_ = std::make_unique<PeriodPlayer>(host);
    midiEvents_.assign(kMaxEventsPerPeriod, jack_midi_event_t{});
    onServerGone_ = std::move(serverGone);

    outLeft_ = jack_port_register(client_, "out_L", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput | JackPortIsTerminal, 0);
    outRight_ = jack_port_register(client_, "out_R", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput | JackPortIsTerminal, 0);
    midiIn_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput | JackPortIsTerminal, 0);
    if (!outLeft_ || !outRight_ || !midiIn_) {
        why = "JACK refused to register the ports";
        host_ = nullptr;
        return false;
    }
    jack_set_process_callback(client_, &JackEngine::onProcess, this);
    jack_set_buffer_size_callback(client_, &JackEngine::onBufferSize, this);
    jack_set_sample_rate_callback(client_, &JackEngine::onSampleRate, this);
    jack_set_xrun_callback(client_, &JackEngine::onXrun, this);
    jack_on_info_shutdown(client_, &JackEngine::onShutdown, this);

    host.start(kMaxEventsPerPeriod);
    resumeProcessing();
    if (jack_activate(client_) != 0) {
        pauseProcessing();
        host.stop();
        host_ = nullptr;  // the caller may end the host before this engine
        why = "JACK refused to activate the client";
        return false;
    }
    active_ = true;
    return true;
}

void JackEngine::connectToPhysicalPorts() {
    const char* const ours[] = {jack_port_name(outLeft_), jack_port_name(outRight_)};
    if (const char** playback = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                               JackPortIsPhysical | JackPortIsInput)) {
        for (int i = 0; i < 2 && playback[i]; ++i) jack_connect(client_, ours[i], playback[i]);
        jack_free(playback);
    }
    if (const char** capture = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                              JackPortIsPhysical | JackPortIsOutput)) {
        for (int i = 0; capture[i]; ++i) jack_connect(client_, capture[i], jack_port_name(midiIn_));
        jack_free(capture);
    }
}

void JackEngine::stop() {
    // A server that went away takes the process thread with it; asking it
    // to deactivate the client would only wait for an answer.
    if (active_ && !serverGone_.load()) jack_deactivate(client_);
    active_ = false;
    pauseProcessing();
    if (host_ && host_->running()) host_->stop();
}

void JackEngine::pauseProcessing() {
    // Each side stores its flag and then reads the other's (both sequentially
    // consistent): either the period sees the pause and leaves the plug-in
    // alone, or this sees the period and waits for it to end.
    paused_.store(true);
    while (inPeriod_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void JackEngine::reconfigure(const std::function<void()>& change) {
    pauseProcessing();
    host_->stop();
    change();
    host_->start(kMaxEventsPerPeriod);
    resumeProcessing();
}

void JackEngine::process(jack_nframes_t frames) {
    auto* left = static_cast<float*>(jack_port_get_buffer(outLeft_, frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(outRight_, frames));
    inPeriod_.store(true);
    // A period longer than the plug-in's buffers comes before the new size is
    // announced: it stays silent, as do periods during a reconfiguration.
    if (paused_.load() || static_cast<int>(frames) > host_->blockSize()) {
        std::memset(left, 0, frames * sizeof(float));
        std::memset(right, 0, frames * sizeof(float));
        inPeriod_.store(false);
        return;
    }
    void* midi = jack_port_get_buffer(midiIn_, frames);
    const jack_nframes_t available = jack_midi_get_event_count(midi);
    size_t count = 0;
    for (jack_nframes_t i = 0; i < available && count < midiEvents_.size(); ++i)
        if (jack_midi_event_get(&midiEvents_[count], midi, i) == 0) ++count;
    jack_position_t position;
    const jack_transport_state_t state = jack_transport_query(client_, &position);
    const auto started = std::chrono::steady_clock::now();
    player_->play(midiEvents_.data(), count, state, position, left, right, frames);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double share = seconds * host_->sampleRate() / frames;
    if (share > slowestPeriod_.load(std::memory_order_relaxed)) slowestPeriod_.store(share, std::memory_order_relaxed);
    inPeriod_.store(false);
}

int JackEngine::onProcess(jack_nframes_t frames, void* self) {
    static_cast<JackEngine*>(self)->process(frames);
    return 0;
}

int JackEngine::onBufferSize(jack_nframes_t frames, void* self) {
    static_cast<JackEngine*>(self)->follow(&VstHost::blockSize, &VstHost::setBlockSize, frames, "period", "frames");
    return 0;
}

int JackEngine::onSampleRate(jack_nframes_t rate, void* self) {
    static_cast<JackEngine*>(self)->follow(&VstHost::sampleRate, &VstHost::setSampleRate, rate, "sample rate", "Hz");
    return 0;
}

void JackEngine::follow(int (VstHost::*current)() const, void (VstHost::*set)(int), jack_nframes_t value,
                        const char* what, const char* unit) {
    // JACK announces the values it starts with too: those change nothing.
    if (static_cast<int>(value) == (host_->*current)()) return;
    reconfigure([&] { (host_->*set)(static_cast<int>(value)); });
    std::printf("quaxel2-standalone: %s now %u %s\n", what, value, unit);
    std::fflush(stdout);
}

int JackEngine::onXrun(void* self) {
    static_cast<JackEngine*>(self)->xruns_.fetch_add(1);
    return 0;
}

void JackEngine::onShutdown(jack_status_t, const char* reason, void* self) {
    auto* engine = static_cast<JackEngine*>(self);
    std::snprintf(engine->shutdownReason_, sizeof engine->shutdownReason_, "%s", reason ? reason : "");
    engine->serverGone_.store(true);
    if (engine->onServerGone_) engine->onServerGone_();
}
