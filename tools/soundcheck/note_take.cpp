#include "tools/soundcheck/note_take.h"

#include <cmath>

#include "tools/render/midi_source.h"
#include "tools/render/offline_host.h"
#include "tools/render/render.h"

namespace {

constexpr int kBlockSize = 512;

}  // namespace

NoteTake takeNote(const std::string& pluginPath, const NotePlay& play, int sampleRate) {
    const std::string notes = std::to_string(play.note) + ":0:" + std::to_string(play.heldSeconds) + ":" +
                              std::to_string(play.velocity);
    const MidiSource midi = midiFromNoteList(notes, sampleRate, 120.0);
    const int64_t totalFrames = std::llround(play.totalSeconds * sampleRate);

    OfflineHost host(sampleRate, kBlockSize, midi.tempo);
    host.load(pluginPath);
    host.setProgram(play.program);

    NoteTake take;
    take.programName = host.programName();
    take.sampleRate = sampleRate;
    take.left.reserve(static_cast<size_t>(totalFrames));
    take.right.reserve(static_cast<size_t>(totalFrames));
    host.start(maxEventsPerBlock(midi.events, totalFrames, kBlockSize));
    renderBlocks(host, midi.events, totalFrames, kBlockSize, [&take](const float* left, const float* right, int frames) {
        take.left.insert(take.left.end(), left, left + frames);
        take.right.insert(take.right.end(), right, right + frames);
    });
    host.stop();
    return take;
}

int programCount(const std::string& pluginPath, int sampleRate) {
    OfflineHost host(sampleRate, kBlockSize, TempoMap());
    host.load(pluginPath);
    return host.programCount();
}
