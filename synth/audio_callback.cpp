// MIDI from the host and the editor, voice allocation, and the audio
// callback that renders the voices, meters the instruments and runs the delay.
#include <xmmintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "instruments/instrument.h"
#include "synth/quaxel2.h"

namespace {

// Flushes denormals to zero while a render call runs, then restores the
// caller's floating-point mode.
class DenormalsOff {
public:
    DenormalsOff() : saved(_mm_getcsr()) { _mm_setcsr(saved | 0x8040); }  // FTZ and DAZ
    ~DenormalsOff() { _mm_setcsr(saved); }
    DenormalsOff(const DenormalsOff&) = delete;
    DenormalsOff& operator=(const DenormalsOff&) = delete;

private:
    unsigned saved;
};

bool validNote(int note) { return note >= 0 && note < 128; }

// Holders of the engine lock do only short work, so the audio thread may
// wait for it a little; a holder that is itself held up costs one silent
// block rather than a late one.
constexpr std::chrono::microseconds kLongestWait{1000};

}  // namespace

// Events are kept until the next rendered block applies them: that block
// may not get the engine, and no note may be lost then.
VstInt32 Quaxel2::processEvents(VstEvents* events) {
    if (!events) return 1;
    for (VstInt32 e = 0; e < events->numEvents; e++) {
        const VstEvent* event = events->events[e];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        keepEvent({static_cast<signed char>(midi->midiData[0]), static_cast<signed char>(midi->midiData[1]),
                   static_cast<signed char>(midi->midiData[2]), midi->deltaFrames, false});
    }
    return 1;
}

// Only what the engine acts on is kept, so that no flood of controllers can
// crowd out a note: notes and all-notes-off in order, and of pitch bend only
// the latest value. When the store is full, a further note-on is dropped, and
// a release is remembered apart and applied after the stored events, so that
// no note is left hanging and none is released that was not asked to be.
void Quaxel2::keepEvent(const PendingEvent& event) {
    const int kind = event.status & 0xF0;
    const int channel = event.status & 0x0F;
    const bool noteOn = kind == 0x90 && event.data2 != 0;
    const bool noteOff = kind == 0x80 || (kind == 0x90 && event.data2 == 0);
    const bool allOff = kind == 0xB0 && (event.data1 == 123 || event.data1 == 126);
    if (kind == 0xE0) {
        pendingBend = event;
        bendPending = true;
        return;
    }
    if (!noteOn && !noteOff && !allOff) return;  // nothing the engine plays by
    if (!allOff && !validNote(event.data1)) return;
    if (allOff && pendingCount > 0) {
        const PendingEvent& last = pendingEvents[pendingCount - 1];
        if ((last.status & 0xF0) == 0xB0 && (last.data1 == 123 || last.data1 == 126)) return;  // said already
    }
    if (pendingCount < kMaxPendingEvents) {
        pendingEvents[pendingCount++] = event;
    } else if (noteOff) {
        overflowReleases[event.data1][channel] = true;
        releasesOverflowed = true;
    } else if (allOff) {
        overflowAllOff = true;
        releasesOverflowed = true;
    }
}

void Quaxel2::applyEvent(const PendingEvent& event, int deltaFrames) {
    const int kind = event.status & 0xF0;
    const int channel = event.status & 0x0F;
    switch (kind) {
        case 0x90:
            if (event.data2 != 0)
                noteOn(event.data1, event.data2, deltaFrames, channel);
            else
                noteOff(event.data1, 0, deltaFrames, channel);
            break;
        case 0x80: noteOff(event.data1, event.data2, deltaFrames, channel); break;
        case 0xB0: allNoteOff(deltaFrames, channel); break;
        case 0xE0:
            for (auto& voice : voices) voice->setPitchBend(event.data1 & 0x7F, event.data2 & 0x7F);
            break;
        default: break;
    }
}

// Applies the kept events that fall before `pieceEnd`, at their offsets
// within the piece that starts at `pieceStart`; the last piece of a call
// takes all that are left.
void Quaxel2::applyPendingEvents(int pieceStart, int pieceEnd, bool lastPiece) {
    auto due = [&](const PendingEvent& event) { return lastPiece || event.deltaFrames < pieceEnd; };
    auto offset = [&](const PendingEvent& event) { return std::max(event.deltaFrames - pieceStart, 0); };
    for (int e = 0; e < pendingCount; e++) {
        PendingEvent& event = pendingEvents[e];
        if (event.applied || !due(event)) continue;
        applyEvent(event, offset(event));
        event.applied = true;
    }
    if (bendPending && due(pendingBend)) {
        applyEvent(pendingBend, offset(pendingBend));
        bendPending = false;
    }
    if (!lastPiece) return;
    pendingCount = 0;
    if (!releasesOverflowed) return;
    for (int note = 0; note < 128; note++)
        for (int channel = 0; channel < 16; channel++)
            if (overflowReleases[note][channel]) {
                noteOff(note, 0, 0, channel);
                overflowReleases[note][channel] = false;
            }
    if (overflowAllOff) allNoteOff(0, 0);
    overflowAllOff = false;
    releasesOverflowed = false;
}

void Quaxel2::forgetVoice(Voice* voice) {
    if (!validNote(voice->note)) return;
    for (Voice*& entry : noteTable[voice->note])
        if (entry == voice) entry = nullptr;
}

// Releases the voice of this key from this source, and the editor's voices
// on the key. Those are forgotten too, so that the editor's own note-off
// cannot later release what they play by then.
void Quaxel2::releaseKey(int note, int velocity, int deltaFrames, int column) {
    Voice*& own = noteTable[note][column];
    if (own) {
        own->doRelease(note, velocity, deltaFrames, column);
        own = nullptr;
    }
    for (Voice*& entry : noteTable[note]) {
        if (entry && entry->channel == -1) {
            Voice* voice = entry;
            voice->doRelease(note, velocity, deltaFrames, column);
            forgetVoice(voice);
        }
    }
}

void Quaxel2::play(int note, int velocity, int deltaFrames, int channel) {
    std::lock_guard<EngineMutex> engine(engineLock);
    noteOn(note, velocity, deltaFrames, channel);
}

void Quaxel2::stop(int note, int velocity, int deltaFrames, int channel) {
    std::lock_guard<EngineMutex> engine(engineLock);
    noteOff(note, velocity, deltaFrames, channel);
}

void Quaxel2::noteOn(int note, int velocity, int deltaFrames, int channel) {
    if (!validNote(note) || channel < -1 || channel > 15) return;
    const int column = channel == -1 ? kEditorColumn : channel;
    releaseKey(note, velocity, deltaFrames, column);
    Voice*& entry = noteTable[note][column];
    for (auto& voice : voices) {
        if (!voice->active) {
            voice->play(note, velocity, deltaFrames, column);
            entry = voice.get();
            return;
        }
    }
    // All voices sound: take the quietest released one, if any is below full level.
    Voice* quietest = nullptr;
    for (auto& voice : voices)
        if (voice->released && voice->level < 1.0 && (!quietest || voice->level < quietest->level))
            quietest = voice.get();
    if (!quietest) return;
    forgetVoice(quietest);
    quietest->stop(quietest->note, 0, 0, column);
    quietest->play(note, velocity, deltaFrames, column);
    entry = quietest;
}

void Quaxel2::noteOff(int note, int velocity, int deltaFrames, int channel) {
    if (!validNote(note) || channel < -1 || channel > 15) return;
    releaseKey(note, velocity, deltaFrames, channel == -1 ? kEditorColumn : channel);
}

void Quaxel2::allNoteOff(int deltaFrames, int /*channel*/) {
    for (auto& voice : voices)
        if (voice->active) voice->doRelease(0, 0, deltaFrames, -1);
    for (auto& row : noteTable) row.fill(nullptr);
}

void Quaxel2::resetInstruBuffer() {
    for (int r = 0; r < rackCount; r++)
        for (int i = 0; i < racks[r]->getCount(); i++) {
            std::vector<float>& meter = racks[r]->getInstrumentAt(i)->meterBuffer;
            std::fill(meter.begin(), meter.end(), 0.0f);
        }
}

void Quaxel2::processReplacing(float** /*inputs*/, float** outputs, VstInt32 sampleFrames) {
    if (!outputs || !outputs[0] || !outputs[1]) return;
    // The host is asked for its tempo before the engine is locked: a host
    // that calls back into the plug-in from there must not find it held.
    const VstTimeInfo* time = getTimeInfo(kVstTempoValid);
    const bool hostTempoKnown = time != nullptr;
    const double hostTempo = time ? time->tempo : 0.0;
    std::unique_lock<EngineMutex> engine(engineLock, std::defer_lock);
    if (!engine.try_lock_for(kLongestWait)) {
        // Another thread is publishing a change: this block is silent and
        // its events wait for the next one.
        skippedBlocks.fetch_add(1, std::memory_order_relaxed);
        if (sampleFrames > 0) {
            std::fill_n(outputs[0], sampleFrames, 0.0f);
            std::fill_n(outputs[1], sampleFrames, 0.0f);
        }
        return;
    }
    DenormalsOff denormalsOff;
    if (sampleFrames <= 0) {
        // Hosts send empty blocks; the events are due, and the work between
        // blocks still happens.
        applyPendingEvents(0, 0, true);
        if (hostTempoKnown) updateTempo(hostTempo);
        for (auto& voice : voices) voice->finishIfEnded();
        processDeletion();
        return;
    }
    // Buffers hold one block; a host that asks for more gets it in pieces.
    const int piece = getRenderBlockSize();
    for (int done = 0; done < sampleFrames; done += piece) {
        const int frames = std::min(piece, sampleFrames - done);
        // Each event starts in the piece that holds its frame.
        applyPendingEvents(done, done + frames, done + frames >= sampleFrames);
        float* part[2] = {outputs[0] + done, outputs[1] + done};
        renderBlock(part, frames, hostTempoKnown, hostTempo);
    }
}

void Quaxel2::renderBlock(float** outputs, int frames, bool hostTempoKnown, double hostTempo) {
    std::fill_n(outputs[0], frames, 0.0f);
    std::fill_n(outputs[1], frames, 0.0f);
    resetInstruBuffer();
    for (auto& voice : voices) voice->process(outputs, frames);

    for (int r = 0; r < rackCount; r++)
        for (int i = 0; i < racks[r]->getCount(); i++) {
            Instrument* instrument = racks[r]->getInstrumentAt(i);
            if (!instrument->data) continue;
            float max = 0.0f, min = -0.0f;
            for (int f = 0; f < frames; f++) {
                max = std::max(max, instrument->meterBuffer[f]);
                min = std::min(min, instrument->meterBuffer[f]);
            }
            instrument->data->peak = std::max(max, -min);
        }

    if (hostTempoKnown) updateTempo(hostTempo);
    delay->process(outputs, frames);
    processDeletion();
}

void Quaxel2::processDeletion() {
    removedCount += racks[0]->processDeletion(removed.data() + removedCount, kMaxRemoved - removedCount);
}

void Quaxel2::freeRemovedInstruments() {
    std::array<Instrument*, kMaxRemoved> toFree{};
    int count = 0;
    {
        std::lock_guard<EngineMutex> engine(engineLock);
        std::swap(toFree, removed);
        std::swap(count, removedCount);
    }
    for (int i = 0; i < count; i++) delete toFree[i];
}

void Quaxel2::updateTempo(double hostTempo) {
    currentTempo = hostTempo;
    if (currentTempo != appliedTempo || std::isnan(currentTempo) || std::isnan(appliedTempo))
        delay->setSamplePerBeat(currentTempo, delay->getSampleRate());
    appliedTempo = currentTempo;
}

void Quaxel2::setBlockSize(VstInt32 size) {
    std::lock_guard<std::recursive_mutex> structure(structureMutex);
    freeRemovedInstruments();
    const int frames = size <= 0 ? kDefaultBlockSize : std::min(size, kMaxBlockSize);
    // New buffers are made here and swapped in under the engine lock; the
    // old ones go when this function returns.
    std::vector<std::vector<float>> buffers(2 * kNumVoices + Rack::kCapacity, std::vector<float>(frames, 0.0f));
    std::lock_guard<EngineMutex> engine(engineLock);
    AudioEffect::setBlockSize(size);
    int next = 0;
    for (auto& voice : voices) {
        // A voice cut off here no longer plays its note: forget it.
        if (voice->active) forgetVoice(voice.get());
        voice->adjustBufferSize(buffers[next], buffers[next + 1]);
        next += 2;
    }
    Rack& rack = *racks[0];
    for (int i = 0; i < rack.getCount(); i++) rack.getInstrumentAt(i)->adjustBufferSize(buffers[next++]);
}

void Quaxel2::setSampleRate(float rate) {
    std::lock_guard<std::recursive_mutex> structure(structureMutex);
    // Out-of-range rates reach the instruments and the delay as 0, which
    // they replace by 44100.
    const int whole = rate >= 1.0f && rate <= 1e7f ? static_cast<int>(rate) : 0;
    // The delay's new line is made here; the old one goes when this returns.
    std::vector<float> line(static_cast<std::size_t>(Delay::lineFramesFor(whole)));
    std::lock_guard<EngineMutex> engine(engineLock);
    AudioEffect::setSampleRate(rate);
    for (int r = 0; r < rackCount; r++)
        for (int i = 0; i < racks[r]->getCount(); i++) racks[r]->getInstrumentAt(i)->setSamplerate(whole);
    delay->setSampleRate(whole, line);
    delay->setSamplePerBeat(appliedTempo, delay->getSampleRate());
}

void Quaxel2::setGrainSize(int size) {
    if (size < 200 || size > 2000) return;
    std::lock_guard<EngineMutex> engine(engineLock);
    grainSize = size;
    Rack& rack = *racks[0];
    for (int i = 0; i < rack.getCount(); i++) {
        Instrument* instrument = rack.getInstrumentAt(i);
        instrument->grainPeriod = size;
        const int count = instrument->getParameterCount();
        applyParameter(instrument->id * count + 21, instrument->getParameter(21));
    }
}
