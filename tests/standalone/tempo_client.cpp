// quaxel2-test-tempo-client: a JACK client for the standalone program's
// tests. It makes the transport roll (as timebase master at --bpm, or with
// no master when --bpm is 0), plays one note into TARGET:midi_in once the
// transport has rolled a while, records TARGET:out_L from that period on and
// writes the recording as raw 32-bit floats.
//   quaxel2-test-tempo-client TARGET BPM NOTE NOTE_FRAMES RECORD_FRAMES OUT_FILE
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kTicksPerBeat = 1920.0;
constexpr int kRollingPeriodsBeforeNote = 20;

struct Client {
    jack_client_t* jack = nullptr;
    jack_port_t* midiOut = nullptr;
    jack_port_t* audioIn = nullptr;
    double bpm = 0;
    unsigned char note = 60;
    long noteFrames = 0;
    std::vector<float> recording;
    size_t recorded = 0;
    int rollingPeriods = 0;
    long sinceNote = -1;  // frames since the note-on's period began; -1 before it
    std::atomic<bool> done{false};
};

void timebase(jack_transport_state_t, jack_nframes_t, jack_position_t* position, int, void* arg) {
    const auto* client = static_cast<Client*>(arg);
    // The position's rate may still be 0 when a new position is asked for.
    const double rate = position->frame_rate > 0 ? position->frame_rate : jack_get_sample_rate(client->jack);
    const double beats = static_cast<double>(position->frame) / rate * client->bpm / 60.0;
    position->valid = JackPositionBBT;
    position->beats_per_bar = 4;
    position->beat_type = 4;
    position->ticks_per_beat = kTicksPerBeat;
    position->beats_per_minute = client->bpm;
    position->bar = static_cast<int32_t>(std::floor(beats / 4)) + 1;
    position->beat = static_cast<int32_t>(std::floor(beats)) % 4 + 1;
    position->tick = static_cast<int32_t>((beats - std::floor(beats)) * kTicksPerBeat);
    position->bar_start_tick = (position->bar - 1) * 4 * kTicksPerBeat;
}

int process(jack_nframes_t frames, void* arg) {
    auto* client = static_cast<Client*>(arg);
    void* midi = jack_port_get_buffer(client->midiOut, frames);
    jack_midi_clear_buffer(midi);
    if (jack_transport_query(client->jack, nullptr) == JackTransportRolling &&
        ++client->rollingPeriods == kRollingPeriodsBeforeNote)
        client->sinceNote = 0;
    if (client->sinceNote < 0) return 0;

    const long start = client->sinceNote;
    if (start == 0) {
        const unsigned char on[] = {0x90, client->note, 100};
        jack_midi_event_write(midi, 0, on, 3);
    }
    if (client->noteFrames >= start && client->noteFrames < start + static_cast<long>(frames)) {
        const unsigned char off[] = {0x80, client->note, 0};
        jack_midi_event_write(midi, static_cast<jack_nframes_t>(client->noteFrames - start), off, 3);
    }
    client->sinceNote += frames;

    const auto* in = static_cast<const float*>(jack_port_get_buffer(client->audioIn, frames));
    for (jack_nframes_t i = 0; i < frames && client->recorded < client->recording.size(); ++i)
        client->recording[client->recorded++] = in[i];
    if (client->recorded == client->recording.size()) client->done.store(true);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s TARGET BPM NOTE NOTE_FRAMES RECORD_FRAMES OUT_FILE\n", argv[0]);
        return 2;
    }
    const std::string target = argv[1];
    Client client;
    client.bpm = std::atof(argv[2]);
    client.note = static_cast<unsigned char>(std::atoi(argv[3]));
    client.noteFrames = std::atol(argv[4]);
    client.recording.assign(static_cast<size_t>(std::atol(argv[5])), 0.0f);

    client.jack = jack_client_open("tempo", JackNoStartServer, nullptr);
    if (!client.jack) return 1;
    client.midiOut = jack_port_register(client.jack, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    client.audioIn = jack_port_register(client.jack, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client.jack, process, &client);
    if (client.bpm > 0 && jack_set_timebase_callback(client.jack, 0, timebase, &client) != 0) return 1;
    if (jack_activate(client.jack) != 0) return 1;
    if (jack_connect(client.jack, jack_port_name(client.midiOut), (target + ":midi_in").c_str()) != 0 ||
        jack_connect(client.jack, (target + ":out_L").c_str(), jack_port_name(client.audioIn)) != 0)
        return 1;
    jack_transport_locate(client.jack, 0);
    jack_transport_start(client.jack);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!client.done.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    jack_transport_stop(client.jack);
    jack_client_close(client.jack);
    if (!client.done.load()) return 1;

    FILE* out = std::fopen(argv[6], "wb");
    if (!out) return 1;
    const bool written = std::fwrite(client.recording.data(), sizeof(float), client.recording.size(), out) ==
                         client.recording.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}
