// The standalone program's JACK client: two audio outputs and a MIDI input,
// each period played through the hosted plug-in on JACK's process thread.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "standalone/period_player.h"
#include "tools/vst-host/vst_host.h"

class JackEngine {
public:
    // Connects to the JACK server (never starting one). With `exactName` the
    // client takes `name` or fails; otherwise JACK may add a number to it.
    // Returns null and says why in `why` when there is no server to talk to.
    static std::unique_ptr<JackEngine> open(const std::string& name, bool exactName, std::string& why);
    ~JackEngine();  // stops and closes the client
    JackEngine(const JackEngine&) = delete;
    JackEngine& operator=(const JackEngine&) = delete;

    std::string clientName() const;
    int sampleRate() const;
    int periodFrames() const;

    // Plays `host` (loaded and stopped; this switches it on) from now on.
    // `serverGone` is called on a JACK thread when the server shuts the client down.
    bool start(VstHost& host, std::function<void()> serverGone, std::string& why);
    // out_L and out_R to the first two physical playback ports, every physical
    // MIDI capture port to midi_in.
    void connectToPhysicalPorts();
    // Ends processing: when it returns the plug-in is never called again and is
    // switched off. Safe after the server went away.
    void stop();

    bool serverGone() const { return serverGone_.load(); }
    std::string shutdownReason() const;
    long xruns() const { return xruns_.load(); }
    // The longest time the plug-in took over a period, as a share of the period's length.
    double slowestPeriod() const { return slowestPeriod_.load(); }
    size_t droppedEvents() const { return player_ ? player_->droppedEvents() : 0; }

private:
    explicit JackEngine(jack_client_t* client) : client_(client) {}

    static int onProcess(jack_nframes_t frames, void* self);
    static int onBufferSize(jack_nframes_t frames, void* self);
    static int onSampleRate(jack_nframes_t rate, void* self);
    static int onXrun(void* self);
    static void onShutdown(jack_status_t code, const char* reason, void* self);

    void process(jack_nframes_t frames);
    // Waits until no period is inside the plug-in and keeps later ones out,
    // for the reconfigurations that must not overlap one.
    void pauseProcessing();
    void resumeProcessing() { paused_.store(false); }
    // Suspend, new block size or rate, resume: what a host does between periods.
    void reconfigure(const std::function<void()>& change);
    // A new period size or rate from JACK, passed on to the plug-in by reconfigure().
    void follow(int (VstHost::*current)() const, void (VstHost::*set)(int), jack_nframes_t value, const char* what,
                const char* unit);

    jack_client_t* client_;
    jack_port_t* outLeft_ = nullptr;
    jack_port_t* outRight_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    VstHost* host_ = nullptr;
    std::unique_ptr<PeriodPlayer> player_;
    std::vector<jack_midi_event_t> midiEvents_;  // room for a period's events, reserved ahead
    std::function<void()> onServerGone_;
    bool active_ = false;

    std::atomic<bool> paused_{true};
    std::atomic<bool> inPeriod_{false};
    std::atomic<long> xruns_{0};
    std::atomic<double> slowestPeriod_{0.0};  // written by the process thread only
    std::atomic<bool> serverGone_{false};
    char shutdownReason_[256] = {};
};
