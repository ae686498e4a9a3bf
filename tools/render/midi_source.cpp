#include "tools/render/midi_source.h"

#include <glib.h>  // before smf.h, which includes it inside extern "C"
#include <smf.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

constexpr unsigned char kNoteOn = 0x90;
constexpr unsigned char kNoteOff = 0x80;

int64_t frameAt(double seconds, int sampleRate) { return std::llround(seconds * sampleRate); }

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type begin = 0;
    for (;;) {
        auto end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end - begin));
        if (end == std::string::npos) return parts;
        begin = end + 1;
    }
}

bool toNumber(const std::string& text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && errno == 0 && std::isfinite(value);
}

bool toWhole(const std::string& text, int min, int max, int& value) {
    double number;
    if (!toNumber(text, number) || number != std::floor(number) || number < min || number > max)
        return false;
    value = static_cast<int>(number);
    return true;
}

// libsmf reports why a file failed through GLib logging; keep the reason for
// our own one-line error instead of letting it print.
void keepLibsmfMessage(const gchar*, GLogLevelFlags, const gchar* message, gpointer lastMessage) {
    *static_cast<std::string*>(lastMessage) = message ? message : "";
}

}  // namespace

MidiSource midiFromNoteList(const std::string& list, int sampleRate, double bpm) {
    MidiSource source{{}, TempoMap(bpm), 0.0};
    struct Pending {
        TimedMidiEvent event;
        bool isOff;
    };
    std::vector<Pending> pending;
    int item = 0;
    for (const std::string& text : split(list, ',')) {
        ++item;
        auto fail = [&](const std::string& why) {
            throw InputError("--notes: item " + std::to_string(item) + " '" + text + "': " + why);
        };
        auto fields = split(text, ':');
        if (fields.size() < 3 || fields.size() > 4) fail("expected note:start:duration[:velocity]");
        int note, velocity = 100;
        double start, duration;
        if (!toWhole(fields[0], 0, 127, note)) fail("note must be a whole number from 0 to 127");
        if (!toNumber(fields[1], start) || start < 0.0) fail("start must be a number of seconds >= 0");
        if (!toNumber(fields[2], duration) || duration <= 0.0)
            fail("duration must be a number of seconds > 0");
        if (fields.size() == 4 && !toWhole(fields[3], 1, 127, velocity))
            fail("velocity must be a whole number from 1 to 127");

        int64_t on = frameAt(start, sampleRate);
        // A note always sounds for at least one frame, so its own note-off never precedes it.
        int64_t off = std::max(frameAt(start + duration, sampleRate), on + 1);
        auto n = static_cast<unsigned char>(note);
        pending.push_back({{on, {kNoteOn, n, static_cast<unsigned char>(velocity)}}, false});
        pending.push_back({{off, {kNoteOff, n, 0}}, true});
        source.endSeconds = std::max(source.endSeconds, start + duration);
    }
    // At one frame, note-offs go first: a note that ends where the same key starts again must
    // not cut the new note short.
    std::stable_sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
        if (a.event.frame != b.event.frame) return a.event.frame < b.event.frame;
        return a.isOff && !b.isOff;
    });
    for (const Pending& p : pending) source.events.push_back(p.event);
    return source;
}

MidiSource midiFromFile(const std::string& path, int sampleRate) {
    std::string libsmfMessage;
    guint handler = g_log_set_handler("libsmf", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK),
                                      keepLibsmfMessage, &libsmfMessage);
    std::unique_ptr<smf_t, void (*)(smf_t*)> smf(smf_load(path.c_str()), smf_delete);
    g_log_remove_handler("libsmf", handler);
    if (!smf) {
        std::string why = libsmfMessage.empty() ? "not a Standard MIDI File" : libsmfMessage;
        throw InputError("cannot read MIDI file '" + path + "': " + why);
    }

    if (smf->ppqn <= 0)
        throw InputError("cannot read MIDI file '" + path + "': SMPTE time division is not supported");

    MidiSource source;
    for (int i = 0;; ++i) {
        smf_tempo_t* change = smf_get_tempo_by_number(smf.get(), i);
        if (!change) break;
        if (change->microseconds_per_quarter_note <= 0) continue;
        source.tempo.addChange(change->time_seconds,
                               static_cast<double>(change->time_pulses) / smf->ppqn,
                               60e6 / change->microseconds_per_quarter_note, change->numerator,
                               change->denominator);
    }

    // libsmf hands out the events of all tracks merged in time order.
    while (smf_event_t* event = smf_get_next_event(smf.get())) {
        const unsigned char* data = event->midi_buffer;
        int length = event->midi_buffer_length;
        bool channelMessage = length >= 2 && length <= 3 && data[0] >= 0x80 && data[0] < 0xF0;
        if (!channelMessage) continue;
        TimedMidiEvent timed{frameAt(event->time_seconds, sampleRate), {data[0], data[1], 0}};
        if (length == 3) timed.bytes[2] = data[2];
        source.events.push_back(timed);
    }
    source.endSeconds = smf_get_length_seconds(smf.get());
    return source;
}
