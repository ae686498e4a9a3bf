// The plug-in object: what the host talks to. It owns the programs and the
// shared-memory regions the editor program reads, answers the host's fixed
// questions and maps the 768 host parameters onto their targets.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dsp/delay.h"
#include "dsp/voice.h"
#include "host/audioeffectx.h"
#include "instruments/rack.h"
#include "programs/program.h"
#include "synth/engine_mutex.h"
#include "synth/shared_region.h"

class Instrument;
struct InstrumentData;

// Threads and who may touch what.
//
// The host's audio thread runs processEvents and processReplacing; its
// dispatcher threads change programs, save and load chunks, set parameters,
// the sample rate and the block size; the editor's poll thread creates,
// clones and removes instruments and plays notes. Two locks order them:
//
// - engineLock guards what the audio thread renders: the rack's instrument
//   list and the instruments' sound state, the voices, the note table, the
//   delay, the current program index and the block size and sample rate.
//   Whoever holds it does only short work that neither allocates, frees nor
//   touches files. It inherits priority, so a holder runs at the audio
//   thread's priority while that waits. The audio thread waits for it at
//   most a millisecond: when it cannot have it by then, it renders silence
//   and keeps the block's MIDI events for the next block, so that no note-on
//   or note-off is lost.
// - structureMutex serialises the slow structural work of the other threads
//   (program changes, chunks, new instruments, format changes). It is held
//   while instruments are built and files read, with engineLock taken only
//   for the moment that publishes the result: a new rack, new buffers. What
//   is replaced is freed after engineLock is let go. The audio thread never
//   takes it. Lock order: structureMutex before engineLock.
// - Instruments the editor asked to remove are taken out of the rack by the
//   audio thread and set aside; a structural operation frees them later.
// - Values read across threads without a lock (the master values of the
//   programs) are relaxed atomics.
class Quaxel2 : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 128;
    static constexpr VstInt32 kNumParams = 768;
    static constexpr VstInt32 kUniqueId = fourCharCode("QXL2");

    // Global parameter index ranges.
    static constexpr VstInt32 kFirstDelayParam = 512;
    static constexpr VstInt32 kMasterVolume = 576;
    static constexpr VstInt32 kMasterTune = 577;
    static constexpr VstInt32 kVelocitySensitivity = 578;
    static constexpr VstInt32 kPitchBendRange = 579;
    static constexpr VstInt32 kFirstSamplePositionParam = 640;

    static constexpr int kNumVoices = 16;
    static constexpr int kNumRacks = 16;
    static constexpr int kNoteColumns = 17;  // MIDI channels 1 to 16, then the editor's notes
    static constexpr int kEditorColumn = 16;
    // Buffers hold the host's block size, within these bounds; a larger call
    // is rendered in pieces. A block size of 0 or less leaves the default.
    static constexpr int kDefaultBlockSize = 1024;
    static constexpr int kMaxBlockSize = 8192;

    // The instrument region: 16 instrument slots, then the delay block whose
    // entries 8 to 11 mirror the four master values for the editor program.
    static constexpr std::size_t kInstrumentSlotSize = 2680;
    static constexpr int kInstrumentSlots = 16;
    static constexpr std::size_t kDelayBlockOffset = 42880;
    static constexpr std::size_t kDelayBlockEntrySize = 16;
    static constexpr std::size_t kInstrumentRegionSize = 43072;
    static constexpr std::size_t kSampleRegionSize = 7728;

    explicit Quaxel2(audioMasterCallback audioMaster);
    ~Quaxel2() override;

    void suspend() override {}
    void resume() override {}
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset = false) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false) override;
    bool canParameterBeAutomated(VstInt32 /*index*/) override { return true; }
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1; }
    VstInt32 canDo(char* text) override;

    // Never called by the system; kept as the class has always offered them.
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames) {
        processReplacing(inputs, outputs, sampleFrames);
    }
    virtual bool copyProgram(VstInt32 /*destination*/) { return false; }

    // Notes from the host (channel 0 to 15) and from the editor (channel -1).
    void play(int note, int velocity, int deltaFrames, int channel);
    void stop(int note, int velocity, int deltaFrames, int channel);

    // Programs.
    void copyStateToProgram(Program* program);
    void copyStateFromProgram();
    VstInt32 setChunk2(void* data, VstInt32 byteSize, bool isPreset);
    // The editor's operations on instruments of the rack.
    void resetParameters(Instrument* instrument);
    void copyParameterFrom(Instrument* source, Instrument* destination);
    Instrument* cloneInstrument(Instrument* instrument);

    // A catalogue instrument, or one around a sample file or embedded sound,
    // added to rack 0 with its shared records; null when it cannot be made
    // or the rack is full.
    Instrument* createInstrumentFromString(const std::string& name);
    Instrument* createInstrumentFromPath(const std::string& path);
    // The first free instrument record of the shared region, or null.
    // Both of these run with the engine lock held: they hand out records.
    InstrumentData* getInstruData();
    // Gives an instrument a free record and shows its sample's markers.
    void attachInstruData(Instrument* instrument);
    // Frees the instruments the audio thread took out of the rack.
    void freeRemovedInstruments();
    void setGrainSize(int size);

    Rack* getRack(int index) const { return racks[index].get(); }
    int getRackCount() const { return rackCount; }
    Voice* getVoice(int index) const { return voices[index].get(); }
    Voice* getNoteTableEntry(int note, int column) const { return noteTable[note][column]; }
    Delay& getDelay() { return *delay; }
    int getGrainSize() const { return grainSize; }
    double getCurrentTempo() const { return currentTempo; }
    double getAppliedTempo() const { return appliedTempo; }
    // The sample rate the sound is computed for: the host's, or 44100 while
    // the host has given none that is usable.
    double renderSampleRate() const;
    // Frames the voices and instruments render at once.
    int getRenderBlockSize() const;
    int getInstanceNumber() const { return instanceNumber; }
    // Blocks rendered as silence because another thread held the engine.
    long getSkippedBlocks() const { return skippedBlocks.load(std::memory_order_relaxed); }
    unsigned char* getInstrumentRegion() const { return instrumentRegion; }
    unsigned char* getSampleRegion() const { return sampleRegion; }
    Program& getCurrentProgram() { return programs[curProgram]; }

private:
    // Building instruments needs no lock; they join the rack under engineLock.
    std::unique_ptr<Instrument> makeInstrumentFromString(const std::string& name);
    std::unique_ptr<Instrument> makeInstrumentFromPath(const std::string& path);
    // A silent stand-in for a stored instrument whose sample file is missing.
    std::unique_ptr<Instrument> makeMissingInstrument(const InstrumentProgram& entry);
    Instrument* addToRack(std::unique_ptr<Instrument> instrument);
    // Builds the current program's instruments, off the audio thread's way.
    std::unique_ptr<Rack> buildProgramRack(const Program& program);
    // Puts a built rack in place of rack 0 and applies the program's delay
    // values; returns the rack it replaced, to be freed by the caller.
    std::unique_ptr<Rack> publishRack(std::unique_ptr<Rack> built, const Program& program);
    // Takes an instrument out of the rack and sets it aside (audio thread).
    void processDeletion();
    // Applies the MIDI events kept since the last rendered block that fall
    // in one piece of a call; the last piece applies all that are left.
    void applyPendingEvents(int pieceStart, int pieceEnd, bool lastPiece);
    struct PendingEvent;
    void keepEvent(const PendingEvent& event);
    void applyEvent(const PendingEvent& event, int deltaFrames);
    void noteOn(int note, int velocity, int deltaFrames, int channel);
    void noteOff(int note, int velocity, int deltaFrames, int channel);
    // Releases every sounding voice (controllers 123 and 126, any channel).
    void allNoteOff(int deltaFrames, int channel);
    // Clears every instrument's meter buffer for the block.
    void resetInstruBuffer();
    bool applyParameter(VstInt32 index, float value);
    // The value stored for a global index, as given.
    float storedParameter(VstInt32 index);
    // The master value of a global index 576 to 579.
    RelaxedFloat* masterField(VstInt32 index);
    void mirrorMasterValue(VstInt32 index, float value);
    // Instrument of rack 0 and parameter number that a global index below 512
    // addresses, or null when that index is inert.
    Instrument* instrumentParameter(VstInt32 index, int& parameter) const;
    // Instrument of rack 0 whose sample marker a global index 640 to 767
    // addresses, or null when that index is inert.
    Instrument* markerTarget(VstInt32 index) const;
    void notifyEditor(VstInt32 index, float value);
    // Replaces the rack by the current program's instruments, and shows the
    // master values of `mirrored`, when given, in the editor's block.
    void rebuildCurrentProgram(const Program* mirrored);
    void renderBlock(float** outputs, int frames, bool hostTempoKnown, double hostTempo);
    // Follows the host's tempo; the delay recomputes its beat when it changes.
    void updateTempo(double hostTempo);
    // Clears the note-table entries that still point at a voice for its note.
    void forgetVoice(Voice* voice);
    void releaseKey(int note, int velocity, int deltaFrames, int column);

    struct PendingEvent {
        int status;
        int data1;
        int data2;
        int deltaFrames;
        bool applied;  // by an earlier piece of the same call
    };
    static constexpr int kMaxPendingEvents = 2048;
    static constexpr int kMaxRemoved = 64;

    EngineMutex engineLock;
    std::recursive_mutex structureMutex;
    // Only the audio thread touches the pending events.
    std::array<PendingEvent, kMaxPendingEvents> pendingEvents{};
    int pendingCount = 0;
    PendingEvent pendingBend{};
    bool bendPending = false;
    // Releases that found the store full, by note and channel.
    std::array<std::array<bool, 16>, 128> overflowReleases{};
    bool overflowAllOff = false;
    bool releasesOverflowed = false;
    std::atomic<long> skippedBlocks{0};
    // Instruments taken out of the rack, waiting to be freed; under engineLock.
    std::array<Instrument*, kMaxRemoved> removed{};
    int removedCount = 0;

    int instanceNumber;
    double currentTempo = 120.0;
    double appliedTempo = 120.0;
    std::array<std::unique_ptr<Voice>, kNumVoices> voices;
    std::array<std::unique_ptr<Rack>, kNumRacks> racks;
    int rackCount = 1;
    std::array<std::array<Voice*, kNoteColumns>, 128> noteTable{};
    std::unique_ptr<Delay> delay;
    std::array<Program, kNumPrograms> programs;
    std::vector<unsigned char> savedChunk;  // the block the host got from getChunk
    bool samplePositionParams = true;
    int grainSize = 1000;
    SharedRegion instrumentMemory;
    SharedRegion sampleMemory;
    unsigned char* instrumentRegion = nullptr;
    unsigned char* sampleRegion = nullptr;
};
