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
                   static_cast<signed char>(midi->midiData[2]), midi->deltaFrames});
    }
    return 1;
}

// When blocks go by without the engine, events pile up. A full store must
// never lose what ends notes: it gives up note-ons first, and if nothing
// but releases are left it keeps a single all-notes-off in their place.
void Quaxel2::keepEvent(const PendingEvent& event) {
    if (pendingCount < kMaxPendingEvents) {
        pendingEvents[pendingCount++] = event;
        return;
    }
    const bool noteOn = (event.status & 0xF0) == 0x90 && event.data2 != 0;
    if (noteOn) return;
    for (int e = pendingCount - 1; e >= 0; e--) {
        const PendingEvent& kept = pendingEvents[e];
        if ((kept.status & 0xF0) == 0x90 && kept.data2 != 0) {
            std::copy(pendingEvents.begin() + e + 1, pendingEvents.begin() + pendingCount, pendingEvents.begin() + e);
            pendingEvents[pendingCount - 1] = event;
            return;
        }
    }
    pendingEvents[0] = {0xB0, 123, 0, 0};
    pendingCount = 1;
}

void Quaxel2::applyPendingEvents() {
    for (int e = 0; e < pendingCount; e++) {
        const PendingEvent& event = pendingEvents[e];
        const int kind = event.status & 0xF0;
        const int channel = event.status & 0x0F;
        switch (kind) {
            case 0x90:
                if (event.data2 != 0)
                    noteOn(event.data1, event.data2, event.deltaFrames, channel);
                else
                    noteOff(event.data1, 0, event.deltaFrames, channel);
                break;
            case 0x80: noteOff(event.data1, event.data2, event.deltaFrames, channel); break;
            case 0xB0:
                if (event.data1 == 123 || event.data1 == 126) allNoteOff(event.deltaFrames, channel);
                break;
            case 0xE0:
                for (auto& voice : voices) voice->setPitchBend(event.data1 & 0x7F, event.data2 & 0x7F);
                break;
            default: break;  // aftertouch, program change, system messages
        }
    }
    pendingCount = 0;
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
    applyPendingEvents();  // even for an empty block: the events are due
    if (sampleFrames <= 0) {
        // Hosts send empty blocks; the work between blocks still happens.
        if (hostTempoKnown) updateTempo(hostTempo);
        for (auto& voice : voices) voice->finishIfEnded();
        processDeletion();
        return;
    }
    // Buffers hold one block; a host that asks for more gets it in pieces.
    const int piece = getRenderBlockSize();
    for (int done = 0; done < sampleFrames; done += piece) {
        float* part[2] = {outputs[0] + done, outputs[1] + done};
        renderBlock(part, std::min(piece, sampleFrames - done), hostTempoKnown, hostTempo);
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
