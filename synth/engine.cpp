#include "synth/engine.h"

#include <xmmintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>

#include "dsp/pitch_tables.h"
#include "dsp/sample_rate.h"
#include "instruments/instrument.h"

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
bool isAllNotesOff(int status, int controller) {
    return (status & 0xF0) == 0xB0 && (controller == 123 || controller == 126);
}

// Holders of the engine lock do only short work, so the audio thread may
// wait for it a little; a holder that is itself held up costs one silent
// block rather than a late one.
constexpr std::chrono::microseconds kLongestWait{1000};

int boundedBlockSize(int size) {
    return size <= 0 ? Engine::kDefaultBlockSize : std::min(size, Engine::kMaxBlockSize);
}

}  // namespace

Engine::Engine() : delay(std::make_unique<Delay>(44100)) {
    Locked<EngineMutex> lock(engineLock);
    for (int i = 0; i < kNumVoices; i++) voices[i] = std::make_unique<Voice>(i, renderBlockSize);
    for (auto& rack : racks) rack = std::make_unique<Rack>();
    block.layers = layers.data();
}

Engine::~Engine() {
    freeRemovedInstruments();
    Locked<EngineMutex> lock(engineLock);
    for (auto& rack : racks) rack.reset();
}

// ---- MIDI ----------------------------------------------------------------------

void Engine::keepEvents(const VstEvents* events) noexcept {
    if (!events) return;
    for (VstInt32 e = 0; e < events->numEvents; e++) {
        const VstEvent* event = events->events[e];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        keepEvent({static_cast<signed char>(midi->midiData[0]), static_cast<signed char>(midi->midiData[1]),
                   static_cast<signed char>(midi->midiData[2]), midi->deltaFrames, false});
    }
}

// Only what the engine acts on is kept, so that no flood of controllers can
// crowd out a note: notes and all-notes-off in order, and of pitch bend only
// the latest value. When the store is full, a further note-on is dropped, and
// a release is remembered apart and applied after the stored events, so that
// no note is left hanging and none is released that was not asked to be.
void Engine::keepEvent(const PendingEvent& event) noexcept {
    const int kind = event.status & 0xF0;
    const int channel = event.status & 0x0F;
    const bool noteOn = kind == 0x90 && event.data2 != 0;
    const bool noteOff = kind == 0x80 || (kind == 0x90 && event.data2 == 0);
    const bool allOff = isAllNotesOff(event.status, event.data1);
    if (kind == 0xE0) {
        pendingBend = event;
        bendPending = true;
        return;
    }
    if (!noteOn && !noteOff && !allOff) return;  // nothing the engine plays by
    if (!allOff && !validNote(event.data1)) return;
    if (allOff && pendingCount > 0) {
        const PendingEvent& last = pendingEvents[pendingCount - 1];
        if (isAllNotesOff(last.status, last.data1)) return;  // said already
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

void Engine::applyEvent(const PendingEvent& event, int deltaFrames) noexcept {
    const int kind = event.status & 0xF0;
    const int channel = event.status & 0x0F;
    switch (kind) {
        case 0x90:
            if (event.data2 != 0)
                noteOn(event.data1, event.data2, deltaFrames, channel);
            else
                noteOff(event.data1, channel);
            break;
        case 0x80: noteOff(event.data1, channel); break;
        case 0xB0: allNoteOff(); break;
        case 0xE0: {
            const float range = masters ? static_cast<float>(masters->pitchBendRange) : 0.5f;
            for (auto& voice : voices) voice->setPitchBend(event.data1 & 0x7F, event.data2 & 0x7F, range);
            break;
        }
        default: break;
    }
}

// Applies the kept events that fall before `pieceEnd`, at their offsets
// within the piece that starts at `pieceStart`; the last piece of a call
// takes all that are left.
void Engine::applyPendingEvents(int pieceStart, int pieceEnd, bool lastPiece) noexcept {
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
                noteOff(note, channel);
                overflowReleases[note][channel] = false;
            }
    if (overflowAllOff) allNoteOff();
    overflowAllOff = false;
    releasesOverflowed = false;
}

void Engine::forgetVoice(Voice* voice) noexcept {
    if (!validNote(voice->note)) return;
    for (Voice*& entry : noteTable[voice->note])
        if (entry == voice) entry = nullptr;
}

// Releases the voice of this key from this source, and the editor's voices
// on the key. Those are forgotten too, so that the editor's own note-off
// cannot later release what they play by then.
void Engine::releaseKey(int note, int column) noexcept {
    Voice*& own = noteTable[note][column];
    if (own) {
        own->doRelease(block);
        own = nullptr;
    }
    for (Voice*& entry : noteTable[note]) {
        if (entry && entry->channel == -1) {
            Voice* voice = entry;
            voice->doRelease(block);
            forgetVoice(voice);
        }
    }
}

void Engine::play(int note, int velocity, int deltaFrames, int channel) {
    Locked<EngineMutex> lock(engineLock);
    gatherLayers();
    noteOn(note, velocity, deltaFrames, channel);
}

void Engine::release(int note, int /*velocity*/, int /*deltaFrames*/, int channel) {
    Locked<EngineMutex> lock(engineLock);
    gatherLayers();
    noteOff(note, channel);
}

void Engine::noteOn(int note, int velocity, int deltaFrames, int channel) noexcept {
    if (!validNote(note) || channel < -1 || channel > 15) return;
    const int column = channel == -1 ? kEditorColumn : channel;
    releaseKey(note, column);
    const float sensitivity = masters ? static_cast<float>(masters->velocitySensitivity) : 1.0f;
    Voice*& entry = noteTable[note][column];
    for (auto& voice : voices) {
        if (!voice->active) {
            voice->play(note, velocity, deltaFrames, column, block, sensitivity);
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
    quietest->stop(block);
    quietest->play(note, velocity, deltaFrames, column, block, sensitivity);
    entry = quietest;
}

void Engine::noteOff(int note, int channel) noexcept {
    if (!validNote(note) || channel < -1 || channel > 15) return;
    releaseKey(note, channel == -1 ? kEditorColumn : channel);
}

void Engine::allNoteOff() noexcept {
    for (auto& voice : voices)
        if (voice->active) voice->doRelease(block);
    for (auto& row : noteTable) row.fill(nullptr);
}

// ---- rendering -----------------------------------------------------------------

void Engine::gatherLayers() noexcept {
    const Rack& rack = *racks[0];
    int count = 0;
    for (int i = 0; i < rack.getCount(); i++) {
        Instrument& instrument = *rack.getInstrumentAt(i);
        if (instrument.missing) continue;
        const Sample& sample = *instrument.getSample(0, -1, -1);
        VoiceLayer& layer = layers[count++];
        layer.owner = instrument.serial;
        layer.left = sample.getBuffer(0);
        layer.right = sample.channels > 1 ? sample.getBuffer(1) : layer.left;
        layer.length = sample.length;
        layer.loopStart = sample.loopStart;
        layer.loopEnd = sample.loopEnd;
        layer.looping = sample.loopStyle != NoLoop;
        layer.startPlay = sample.startPlay;
        layer.sampleRate = sample.samplerate;
        layer.rootRatio = instrument.rootRatio;
        layer.tuneRatio = instrument.tuneRatio;
        layer.pan = instrument.pan;
        layer.volume = instrument.volume;
        layer.pitchEgDepth = instrument.pitchEgDepth;
        layer.reverse = instrument.reverse;
        layer.interpolate = instrument.interpolate;
        layer.grain = instrument.grain;
        layer.grainPeriod = grainSize;
        layer.grainAdvance = static_cast<int>(instrument.grainAdvanceF);
        layer.channel = instrument.answeredChannel();
        layer.volumeShape = &instrument.volumeShape;
        layer.pitchShape = &instrument.pitchShape;
        layer.meterLeft = instrument.meterLeft.data();
    }
    block.layerCount = count;
    block.masterVolume = masters ? normalised(masters->masterVolume) : 1.0f;  // NaN plays as silence
    block.masterTune = masters ? paramToPitch(masters->masterTune) : 1.0;
    block.outputRate = outputRate;
}

void Engine::render(float** outputs, int frames, const double* hostTempo) noexcept {
    if (!engineLock.try_lock_for(kLongestWait)) {
        // Another thread is publishing a change: this block is silent and
        // its events wait for the next one.
        skippedBlocks.fetch_add(1, std::memory_order_relaxed);
        if (frames > 0) {
            std::fill_n(outputs[0], frames, 0.0f);
            std::fill_n(outputs[1], frames, 0.0f);
        }
        return;
    }
    renderLocked(outputs, frames, hostTempo);
    engineLock.unlock();
}

void Engine::renderLocked(float** outputs, int frames, const double* hostTempo) noexcept {
    DenormalsOff denormalsOff;
    gatherLayers();
    if (frames <= 0) {
        // Hosts send empty blocks; the events are due, and the work between
        // blocks still happens.
        applyPendingEvents(0, 0, true);
        if (hostTempo) updateTempo(*hostTempo);
        for (auto& voice : voices) voice->finishIfEnded(block);
        processDeletion();
        return;
    }
    // Buffers hold one block; a call for more is rendered in pieces.
    for (int done = 0; done < frames; done += renderBlockSize) {
        const int piece = std::min(renderBlockSize, frames - done);
        // Each event starts in the piece that holds its frame.
        applyPendingEvents(done, done + piece, done + piece >= frames);
        float* part[2] = {outputs[0] + done, outputs[1] + done};
        renderBlock(part, piece, hostTempo);
    }
}

void Engine::renderBlock(float** outputs, int frames, const double* hostTempo) noexcept {
    std::fill_n(outputs[0], frames, 0.0f);
    std::fill_n(outputs[1], frames, 0.0f);
    resetInstruBuffer();
    Voice* playing[kNumVoices];
    for (int v = 0; v < kNumVoices; v++) playing[v] = voices[v].get();
    voiceRenderer.process(playing, kNumVoices, outputs, frames, block);
    meterInstruments(frames);
    if (hostTempo) updateTempo(*hostTempo);
    delay->process(outputs, frames);
    // What a removal changed is what the next piece plays.
    if (processDeletion()) gatherLayers();
}

void Engine::resetInstruBuffer() noexcept {
    for (int r = 0; r < rackCount; r++)
        for (int i = 0; i < racks[r]->getCount(); i++) {
            std::vector<float>& meterLeft = racks[r]->getInstrumentAt(i)->meterLeft;
            std::fill(meterLeft.begin(), meterLeft.end(), 0.0f);
        }
}

void Engine::meterInstruments(int frames) noexcept {
    for (int r = 0; r < rackCount; r++)
        for (int i = 0; i < racks[r]->getCount(); i++) {
            Instrument* instrument = racks[r]->getInstrumentAt(i);
            if (!instrument->data) continue;
            float max = 0.0f, min = -0.0f;
            for (int f = 0; f < frames; f++) {
                max = std::max(max, instrument->meterLeft[f]);
                min = std::min(min, instrument->meterLeft[f]);
            }
            instrument->data->peak = std::max(max, -min);
        }
}

void Engine::updateTempo(double hostTempo) noexcept {
    currentTempo = hostTempo;
    if (currentTempo != appliedTempo || std::isnan(currentTempo) || std::isnan(appliedTempo))
        delay->setSamplePerBeat(currentTempo, delay->getSampleRate());
    appliedTempo = currentTempo;
}

bool Engine::processDeletion() noexcept {
    const int taken = racks[0]->processDeletion(removed.data() + removedCount, kMaxRemoved - removedCount);
    removedCount += taken;
    return taken > 0;
}

// ---- structure and format ------------------------------------------------------

void Engine::freeRemovedInstruments() {
    std::array<Instrument*, kMaxRemoved> toFree{};
    int count = 0;
    {
        Locked<EngineMutex> lock(engineLock);
        std::swap(toFree, removed);
        std::swap(count, removedCount);
    }
    for (int i = 0; i < count; i++) delete toFree[i];
}

std::unique_ptr<Rack> Engine::replaceRack(std::unique_ptr<Rack> built) {
    racks[0].swap(built);
    return built;
}

void Engine::setBlockSize(int size) {
    const int frames = boundedBlockSize(size);
    // New buffers are made here and swapped in under the engine lock; the
    // old ones go when this function returns.
    std::vector<std::vector<float>> buffers(2 * kNumVoices + Rack::kCapacity, std::vector<float>(frames, 0.0f));
    Locked<EngineMutex> lock(engineLock);
    renderBlockSize = frames;
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

void Engine::setSampleRate(float rate) {
    // Out-of-range rates reach the instruments and the delay as 0, which
    // they replace by 44100.
    const int whole = wholeSampleRate(rate);
    // The delay's new line is made here; the old one goes when this returns.
    std::vector<float> line(static_cast<std::size_t>(Delay::lineFramesFor(whole)));
    Locked<EngineMutex> lock(engineLock);
    outputRate = rate > 0.0f && std::isfinite(rate) ? rate : 44100.0;
    for (int r = 0; r < rackCount; r++)
        for (int i = 0; i < racks[r]->getCount(); i++) racks[r]->getInstrumentAt(i)->setSamplerate(whole);
    delay->setSampleRate(whole, line);
    delay->setSamplePerBeat(appliedTempo, delay->getSampleRate());
}
