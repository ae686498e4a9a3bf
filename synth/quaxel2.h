// The plug-in object: what the host talks to. It is glue between the host's
// calls and three components with one job each:
// - the engine (synth/engine.h): voices, notes, racks, delay and the engine
//   lock; everything the audio thread touches;
// - the program store (synth/program_store.h): the 128 programs, the chunk
//   bytes and the structure lock;
// - the shared regions (synth/shared_regions.h) the editor program maps.
// Besides, it maps the host parameters onto their targets
// (contract/parameter_map.h, parameter_map.cpp), rebuilds the rack from programs and chunks
// (programs.cpp, state_chunk.cpp) and makes instruments
// (instrument_factory.cpp).
//
// Threads: the host's audio thread calls processEvents and processReplacing;
// its dispatcher threads change programs, save and load chunks, set
// parameters, the sample rate and the block size; the editor's poll thread
// creates, clones and removes instruments and plays notes. Structural work
// holds the structure lock and takes the engine lock only to publish; see
// the components for what each lock guards.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "contract/parameter_map.h"
#include "editor/instance_claim.h"
#include "editor/sample_display.h"
#include "host/audioeffectx.h"
#include "instruments/instrument.h"
#include "synth/editor_requests.h"
#include "synth/engine.h"
#include "synth/program_store.h"
#include "synth/shared_regions.h"

class Instrument;
class Quaxel2Editor;
struct InstrumentData;

class Quaxel2 : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = ProgramStore::kNumPrograms;
    static constexpr VstInt32 kNumParams = parameter_map::kHostParameters;
    static constexpr VstInt32 kUniqueId = fourCharCode("QXL2");


    static constexpr int kNumVoices = Engine::kNumVoices;
    static constexpr int kNumRacks = Engine::kNumRacks;
    static constexpr int kNoteColumns = Engine::kNoteColumns;
    static constexpr int kEditorColumn = Engine::kEditorColumn;
    static constexpr int kInstrumentSlots = SharedRegions::kInstrumentSlots;

    explicit Quaxel2(audioMasterCallback audioMaster);
    ~Quaxel2() override;

    // ---- the host's calls (Any thread the host uses for them.) ----
    void suspend() override {}
    void resume() override {}
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    // Audio thread: no allocation, no file and no system call of its own
    // while the engine lock is free. When another thread holds the lock it
    // waits for it at most a millisecond (then the block is silent); that
    // wait, and the unlock that hands the lock back to a waiter, go through
    // the kernel (a futex: the lock inherits priority, see engine_mutex.h).
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    VstInt32 processEvents(VstEvents* events) override;
    // Engine lock, briefly.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    // Any thread; no lock.
    VstInt32 getProgram() override;
    // Structure lock, then the engine lock to publish the new rack.
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

    // Notes from the editor (channel -1) or any channel; engine lock.
    void play(int note, int velocity, int deltaFrames, int channel) { engine.play(note, velocity, deltaFrames, channel); }
    void stop(int note, int velocity, int deltaFrames, int channel) { engine.release(note, velocity, deltaFrames, channel); }

    // ---- programs and chunks (structure lock) ----
    void copyStateToProgram(Program* program);
    void copyStateFromProgram();
    VstInt32 setChunk2(void* data, VstInt32 byteSize, bool isPreset);

    // ---- the editor's operations on instruments of the rack ----
    // Each takes the structure lock; the instruments given must be in the
    // rack (only structural operations, which that lock serialises, free them).
    void resetParameters(Instrument* instrument);
    void copyParameterFrom(Instrument* source, Instrument* destination);
    Instrument* cloneInstrument(Instrument* instrument);
    // What a copy or a clone takes of an instrument, read at once so that
    // it can be given after the instrument has gone: how to make another
    // like it, its values and, unless the catalogue fixes them, its markers.
    struct Likeness {
        bool fromPath = false;
        std::string source;  // the path or the catalogue name
        std::array<float, Instrument::kParameterCount> values{};
        bool markers = false;
        int32_t startPlay = 0, loopStart = 0, loopEnd = 0;
    };
    Likeness likenessOf(Instrument* instrument);
    // Sets the values as if automated and moves the markers.
    void giveLikeness(const Likeness& likeness, Instrument* destination);
    // A catalogue instrument, or one around a sample file or embedded sound,
    // added to rack 0 with its shared records; null when it cannot be made
    // or the rack is full.
    Instrument* createInstrumentFromString(const std::string& name);
    Instrument* createInstrumentFromPath(const std::string& path);
    // The two steps of the above, for a caller that must not hold the
    // structure lock while a file decodes: the load takes no lock but for a
    // moment at its start; the add takes the structure lock and fits the
    // instrument to a block size or rate that changed meanwhile.
    std::unique_ptr<Instrument> loadInstrumentFromString(const std::string& name);
    std::unique_ptr<Instrument> loadInstrumentFromPath(const std::string& path);
    Instrument* addLoadedInstrument(std::unique_ptr<Instrument> instrument);
    // The first free instrument record of the shared region, or null;
    // engine lock held by the caller.
    InstrumentData* getInstruData() { return regions.freeInstrumentRecord(); }
    // Gives an instrument a free record; engine lock held by the caller.
    void attachInstruData(Instrument* instrument) REQUIRES(engine.mutex(), instrumentAccess) { regions.attach(instrument); }
    // Frees the instruments the audio thread took out of the rack.
    void freeRemovedInstruments() { engine.freeRemovedInstruments(); }
    void setGrainSize(int size);

    // ---- the editor bridge ----
    Quaxel2Editor* getEditorBridge() const { return uiEditor; }
    // Tells the editor program the current program and its name, and every
    // program's name too when `allNames` (a chunk replaced them, or the
    // program asked). Structure lock.
    void tellEditorPrograms(bool allNames);
    // Renames `program` if it is still the current one (a host may have
    // changed it since the editor asked); false otherwise. Structure lock.
    bool renameProgram(int program, std::string_view name);
    EditorRequests& editorRequests() { return requests; }
    // An instrument's rack position, which the audio thread changes when it
    // takes an instrument out; read under the engine lock.
    int instrumentId(const Instrument* instrument);
    StructureMutex& structureLock() { return programs.lock(); }
    // Binds the sample record to the first sample of `shown` and unbinds
    // every other instrument's: only the instrument on show writes its
    // length, markers and loop switch there, host automation included.
    // Answers what the display shows of it, read under the same lock as
    // the markers are written.
    ShownSample bindSampleRecord(Instrument* shown);
    // Calls `act` with the instruments of rack 0 that carry the ids `first`
    // and `second` (null where none does), with the structure lock held so
    // that they stay alive, and without the engine lock.
    template <typename Act>
    void withInstruments(int first, int second, Act act) {
        Locked<StructureMutex> structure(programs.lock());
        Instrument* a;
        Instrument* b;
        {
            Locked<EngineMutex> lock(engine.mutex());
            a = engine.getRack(0)->getInstrumentById(first);
            b = engine.getRack(0)->getInstrumentById(second);
        }
        act(a, b);
    }

    // ---- inspection (tests, and single-threaded use) ----
    Rack* getRack(int index) const { return engine.rackForInspection(index); }
    int getRackCount() const { return engine.getRackCount(); }
    Voice* getVoice(int index) const { return engine.getVoice(index); }
    Voice* getNoteTableEntry(int note, int column) const { return engine.getNoteTableEntry(note, column); }
    Delay& getDelay() { return engine.delayForInspection(); }
    int getGrainSize() const { return engine.getGrainSize(); }
    double getCurrentTempo() const { return engine.getCurrentTempo(); }
    double getAppliedTempo() const { return engine.getAppliedTempo(); }
    int getRenderBlockSize() const { return engine.getRenderBlockSize(); }
    int getInstanceNumber() const { return instanceNumber; }
    long getSkippedBlocks() const { return engine.getSkippedBlocks(); }
    unsigned char* getInstrumentRegion() const { return regions.instrumentRegion(); }
    unsigned char* getSampleRegion() const { return regions.sampleRegion(); }
    // The current program; its master values may be read without a lock.
    Program& getCurrentProgram() { return programs.masters(getProgram()); }

private:
    // What a new instrument is made for.
    struct InstrumentFormat {
        int blockSize;
        int sampleRate;
    };
    InstrumentFormat instrumentFormat();
    // Instruments are built without the engine lock (loading may read
    // files); they join the rack under it.
    std::unique_ptr<Instrument> makeInstrumentFromString(const std::string& name);
    // Null when the file does not load; `refusedTooLong` then tells whether
    // it was refused for its length (which the loader has said).
    std::unique_ptr<Instrument> makeInstrumentFromPath(const std::string& path, bool* refusedTooLong = nullptr);
    // A silent stand-in for a stored instrument whose sample file is missing
    // or refused; `sayMissing` reports the file missing on stdout.
    std::unique_ptr<Instrument> makeMissingInstrument(const InstrumentProgram& entry, bool sayMissing);
    Instrument* addToRack(std::unique_ptr<Instrument> instrument) EXCLUDES(engine.mutex());
    // Builds a program's instruments, off the audio thread's way.
    std::unique_ptr<Rack> buildProgramRack(const Program& program);
    // Puts a built rack in place of rack 0, shows it and the program's master
    // values in the shared records and applies the program's delay values;
    // returns the rack it replaced, for the caller to free after letting the
    // engine lock go.
    std::unique_ptr<Rack> publishRack(std::unique_ptr<Rack> built, const Program& program) REQUIRES(engine.mutex(), instrumentAccess);
    // Replaces the rack by the current program's instruments.
    void rebuildCurrentProgram();
    // Applies a value with the engine lock held; false when the index has no
    // place to go (an empty rack, no such instrument).
    bool applyParameter(VstInt32 index, float value) REQUIRES(engine.mutex(), instrumentAccess);
    // The value stored for a global index, as given.
    float storedParameter(VstInt32 index);
    RelaxedFloat* masterField(VstInt32 index);
    // Instrument of rack 0 and parameter number that an instrument
    // parameter's global index addresses, or null when that index is inert.
    Instrument* instrumentParameter(VstInt32 index, int& parameter) const REQUIRES(engine.mutex());
    // Instrument of rack 0 whose sample marker a global index addresses,
    // or null when that index is inert.
    Instrument* markerTarget(VstInt32 index) const REQUIRES(engine.mutex());
    void notifyEditor(VstInt32 index, float value);

    // Tells the editor program to rebuild what it shows.
    void reloadEditor();
    void tellEditorOfLoadedPrograms(bool isPreset);

    InstanceClaim claim;  // holds the instance number while the object lives
    const int instanceNumber;
    SharedRegions regions;  // made before and gone after the instruments, which free their records into it
    ProgramStore programs;
    Engine engine;
    EditorRequests requests{*this};
    Quaxel2Editor* uiEditor = nullptr;  // owned by the frame; ended first in the destructor
    bool samplePositionParams = true;
};
