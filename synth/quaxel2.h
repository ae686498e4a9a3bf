// The plug-in object: what the host talks to. It owns the programs and the
// shared-memory regions the editor program reads, answers the host's fixed
// questions and maps the 768 host parameters onto their targets.
#pragma once

#include <array>
#include <cstddef>

#include "host/audioeffectx.h"
#include "programs/program.h"
#include "synth/shared_region.h"

class Quaxel2 : public AudioEffectX {
public:
    static constexpr VstInt32 kNumPrograms = 128;
    static constexpr VstInt32 kNumParams = 768;
    static constexpr VstInt32 kUniqueId = fourCharCode("QXL2");

    // Global parameter index ranges.
    static constexpr VstInt32 kFirstDelayParam = 512;
    static constexpr VstInt32 kDelayParamCount = 8;
    static constexpr VstInt32 kMasterVolume = 576;
    static constexpr VstInt32 kMasterTune = 577;
    static constexpr VstInt32 kVelocitySensitivity = 578;
    static constexpr VstInt32 kPitchBendRange = 579;
    static constexpr VstInt32 kFirstSamplePositionParam = 640;

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
    VstInt32 getProgram() override { return curProgram; }
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

    int getInstanceNumber() const { return instanceNumber; }
    unsigned char* getInstrumentRegion() const { return instrumentRegion; }
    unsigned char* getSampleRegion() const { return sampleRegion; }
    Program& getCurrentProgram() { return programs[curProgram]; }

private:
    // The master value of a global index 576 to 579.
    float* masterField(VstInt32 index);
    void mirrorMasterValue(VstInt32 index, float value);
    // Instrument count of rack 0 and parameter count of its first instrument;
    // both 0 while the rack is empty.
    int rackInstrumentCount() const { return 0; }
    int firstInstrumentParameterCount() const { return 0; }

    int instanceNumber;
    double currentTempo = 120.0;
    double appliedTempo = 120.0;
    std::array<Program, kNumPrograms> programs;
    bool samplePositionParams = true;
    int grainSize = 1000;
    SharedRegion instrumentMemory;
    SharedRegion sampleMemory;
    unsigned char* instrumentRegion = nullptr;
    unsigned char* sampleRegion = nullptr;
};
