// The engine: everything the audio thread touches. It owns the voices, the
// note table, the racks, the delay and the MIDI events kept for the next
// block, and the lock that guards them. It turns MIDI into voices and
// renders blocks.
//
// Threads. The host's audio thread calls keepEvents and render. Other
// threads (the host's dispatcher, the editor's poll thread) call the rest;
// each such operation takes the engine lock for a short time in which it
// neither allocates, frees nor touches files, and any allocation it needs is
// made before. The lock inherits priority. The audio thread waits for it at
// most a millisecond: when it cannot have it by then, it renders silence and
// keeps the block's MIDI events for the next block, so that no note-on or
// note-off is lost. Instruments the editor asked to remove are taken out of
// the rack by the audio thread and set aside; a structural operation frees
// them later.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "dsp/delay.h"
#include "dsp/voice.h"
#include "dsp/voice_renderer.h"
#include "host/vst2.h"
#include "instruments/rack.h"
#include "programs/program.h"
#include "synth/engine_mutex.h"

class Instrument;

class Engine {
public:
    static constexpr int kNumVoices = 16;
    static constexpr int kNumRacks = 16;
    static constexpr int kNoteColumns = 17;  // MIDI channels 1 to 16, then the editor's notes
    static constexpr int kEditorColumn = 16;
    // Buffers hold the host's block size, within these bounds; a larger call
    // is rendered in pieces. A block size of 0 or less leaves the default.
    static constexpr int kDefaultBlockSize = 1024;
    static constexpr int kMaxBlockSize = 8192;

    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // ---- the audio thread ----
    // Keeps a host's MIDI events until the next rendered block; no lock.
    void keepEvents(const VstEvents* events) noexcept;
    // Renders a call of any length into outputs[0] and outputs[1]. A null
    // `hostTempo` means the host gave no time information.
    void render(float** outputs, int frames, const double* hostTempo) noexcept;

    // ---- other threads; each takes the engine lock ----
    // Notes of the editor's keyboard (channel -1) or any caller. A release
    // sends the note's voice into its release stage (Voice::stop, by
    // contrast, silences a voice at once).
    void play(int note, int velocity, int deltaFrames, int channel);
    void release(int note, int velocity, int deltaFrames, int channel);
    // Format changes: new buffers are made before the lock is taken.
    void setBlockSize(int size);
    void setSampleRate(float rate);
    // Frees the instruments the audio thread took out of the rack.
    void freeRemovedInstruments();

    // ---- with the engine lock held by the caller ----
    EngineMutex& mutex() const RETURN_CAPABILITY(engineLock) { return engineLock; }
    // The program whose master values the voices play by.
    void setMasters(const Program* program) REQUIRES(engineLock) { masters = program; }
    // Puts `built` in place of rack 0 and hands back the rack it replaced.
    std::unique_ptr<Rack> replaceRack(std::unique_ptr<Rack> built) REQUIRES(engineLock);
    void setGrainSize(int size) REQUIRES(engineLock) { grainSize = size; }
    Rack* getRack(int index) const REQUIRES(engineLock) { return racks[index].get(); }
    Delay& getDelay() REQUIRES(engineLock) { return *delay; }

    // ---- reading without the lock: for tests, and for values that only
    // the threads that also change them read (structure lock held) ----
    Rack* rackForInspection(int index) const NO_THREAD_SAFETY_ANALYSIS { return racks[index].get(); }
    Delay& delayForInspection() NO_THREAD_SAFETY_ANALYSIS { return *delay; }
    int getRackCount() const { return rackCount; }
    Voice* getVoice(int index) const NO_THREAD_SAFETY_ANALYSIS { return voices[index].get(); }
    Voice* getNoteTableEntry(int note, int column) const NO_THREAD_SAFETY_ANALYSIS { return noteTable[note][column]; }
    int getGrainSize() const NO_THREAD_SAFETY_ANALYSIS { return grainSize; }
    double getCurrentTempo() const NO_THREAD_SAFETY_ANALYSIS { return currentTempo; }
    double getAppliedTempo() const NO_THREAD_SAFETY_ANALYSIS { return appliedTempo; }
    // The frames voices and instruments render at once; changed only under
    // the structure lock as well.
    int getRenderBlockSize() const NO_THREAD_SAFETY_ANALYSIS { return renderBlockSize; }
    // The sample rate the sound is computed for: the host's, or 44100 while
    // the host has given none that is usable.
    double getOutputRate() const NO_THREAD_SAFETY_ANALYSIS { return outputRate; }
    // Blocks rendered as silence because another thread held the engine.
    long getSkippedBlocks() const { return skippedBlocks.load(std::memory_order_relaxed); }

private:
    struct PendingEvent {
        int status;
        int data1;
        int data2;
        int deltaFrames;
        bool applied;  // by an earlier piece of the same call
    };
    static constexpr int kMaxPendingEvents = 2048;
    static constexpr int kMaxRemoved = 64;

    void keepEvent(const PendingEvent& event) noexcept;
    // Applies the kept events that fall in one piece of a call; the last
    // piece applies all that are left.
    void applyPendingEvents(int pieceStart, int pieceEnd, bool lastPiece) noexcept REQUIRES(engineLock);
    void applyEvent(const PendingEvent& event, int deltaFrames) noexcept REQUIRES(engineLock);
    void noteOn(int note, int velocity, int deltaFrames, int channel) noexcept REQUIRES(engineLock);
    void noteOff(int note, int channel) noexcept REQUIRES(engineLock);
    // Releases every sounding voice (controllers 123 and 126, any channel).
    void allNoteOff() noexcept REQUIRES(engineLock);
    // Clears the note-table entries that still point at a voice for its note.
    void forgetVoice(Voice* voice) noexcept REQUIRES(engineLock);
    void releaseKey(int note, int column) noexcept REQUIRES(engineLock);
    // What the voices play this block: rack 0's instruments and the masters.
    void gatherLayers() noexcept REQUIRES(engineLock, instrumentAccess);
    void renderLocked(float** outputs, int frames, const double* hostTempo) noexcept REQUIRES(engineLock, instrumentAccess);
    void renderBlock(float** outputs, int frames, const double* hostTempo) noexcept REQUIRES(engineLock, instrumentAccess);
    // Clears every instrument's meter buffer for the block.
    void resetInstruBuffer() noexcept REQUIRES(engineLock, instrumentAccess);
    void meterInstruments(int frames) noexcept REQUIRES(engineLock, instrumentAccess);
    // Follows the host's tempo; the delay recomputes its beat when it changes.
    void updateTempo(double hostTempo) noexcept REQUIRES(engineLock);
    // Takes the instruments the editor asked to remove out of the rack;
    // true when it took any.
    bool processDeletion() noexcept REQUIRES(engineLock, instrumentAccess);

    mutable EngineMutex engineLock;
    std::array<std::unique_ptr<Voice>, kNumVoices> voices GUARDED_BY(engineLock);
    VoiceRenderer voiceRenderer GUARDED_BY(engineLock);
    std::array<std::unique_ptr<Rack>, kNumRacks> racks GUARDED_BY(engineLock);
    const int rackCount = 1;  // only rack 0 is ever filled
    std::array<std::array<Voice*, kNoteColumns>, 128> noteTable GUARDED_BY(engineLock){};
    const std::unique_ptr<Delay> delay PT_GUARDED_BY(engineLock);
    const Program* masters GUARDED_BY(engineLock) = nullptr;
    std::array<VoiceLayer, Rack::kCapacity> layers GUARDED_BY(engineLock){};
    VoiceBlock block GUARDED_BY(engineLock);
    int grainSize GUARDED_BY(engineLock) = 1000;
    double currentTempo GUARDED_BY(engineLock) = 120.0;
    double appliedTempo GUARDED_BY(engineLock) = 120.0;
    int renderBlockSize GUARDED_BY(engineLock) = kDefaultBlockSize;
    double outputRate GUARDED_BY(engineLock) = 44100.0;

    // Only the audio thread touches the kept events.
    std::array<PendingEvent, kMaxPendingEvents> pendingEvents{};
    int pendingCount = 0;
    PendingEvent pendingBend{};
    bool bendPending = false;
    // Releases that found the store full, by note and channel.
    std::array<std::array<bool, 16>, 128> overflowReleases{};
    bool overflowAllOff = false;
    bool releasesOverflowed = false;
    std::atomic<long> skippedBlocks{0};

    // Instruments taken out of the rack, waiting to be freed.
    std::array<Instrument*, kMaxRemoved> removed GUARDED_BY(engineLock){};
    int removedCount GUARDED_BY(engineLock) = 0;
};
