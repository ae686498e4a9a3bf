#include "synth/quaxel2.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "host/textcopy.h"

namespace {
// Serial number of the next plug-in object in this process; never reused.
std::atomic<int> instanceCounter{0};
}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    // A host gets null rather than an exception when no object can be made.
    try {
        return new Quaxel2(audioMaster);
    } catch (...) {
        return nullptr;
    }
}

Quaxel2::Quaxel2(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams),  // step 1; step 2: programs (members)
      instanceNumber(instanceCounter.fetch_add(1)) {        // step 3
    // 4. What the host sees of us.
    setNumInputs(0);
    isSynth(true);
    setUniqueID(kUniqueId);
    setNumOutputs(2);
    canProcessReplacing(true);
    programsAreChunks(true);

    // 5. Process-wide pitch tables and catalogue names: arrive with the sound engine.
    // 6. Voices and racks: arrive with the sound engine.

    // 7.-9. The regions the editor program maps by name.
    const std::string suffix = std::to_string(instanceNumber);
    if (instrumentMemory.create("/instrument.mmap" + suffix, kInstrumentRegionSize)) {
        instrumentRegion = static_cast<unsigned char*>(instrumentMemory.data());
        const int32_t freeSlot = -1;
        for (int slot = 0; slot < kInstrumentSlots; slot++)
            std::memcpy(instrumentRegion + slot * kInstrumentSlotSize, &freeSlot, sizeof freeSlot);
    } else {
        std::printf("Quaxel2VST > failed to map plugin shared memory \n");
    }
    if (sampleMemory.create("/sample.mmap" + suffix, kSampleRegionSize))
        sampleRegion = static_cast<unsigned char*>(sampleMemory.data());
    else
        std::printf("Quaxel2VST > failed to map sample shared memory \n");
    std::fflush(stdout);

    // 10. Note table, 11. the delay's data block: arrive with the sound engine.
    // 12. Tempos, sample-position parameters and grain size are member initialisers.
    // 13. Factory bank: arrives with the programs.
    // 14. Editor object: arrives with the editor bridge.
}

Quaxel2::~Quaxel2() = default;

void Quaxel2::setSampleRate(float rate) { AudioEffect::setSampleRate(rate); }

void Quaxel2::setBlockSize(VstInt32 size) { AudioEffect::setBlockSize(size); }

void Quaxel2::processReplacing(float** /*inputs*/, float** outputs, VstInt32 sampleFrames) {
    if (!outputs || sampleFrames <= 0) return;
    for (int channel = 0; channel < 2; channel++)
        if (outputs[channel]) std::memset(outputs[channel], 0, sizeof(float) * static_cast<std::size_t>(sampleFrames));
}

VstInt32 Quaxel2::processEvents(VstEvents* /*events*/) { return 1; }

VstInt32 Quaxel2::getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }

VstInt32 Quaxel2::setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/) { return 0; }

// ---- programs ----------------------------------------------------------------

void Quaxel2::setProgram(VstInt32 program) {
    if (program < 0 || program >= kNumPrograms) return;
    curProgram = program;
}

void Quaxel2::setProgramName(char* name) {
    char bounded[kMaxProgramNameLength + 1];
    copyText(bounded, name, kMaxProgramNameLength);
    programs[curProgram].name = bounded;
}

void Quaxel2::getProgramName(char* name) {
    copyText(name, programs[curProgram].name.c_str(), kMaxProgramNameLength);
}

bool Quaxel2::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    if (index < 0 || index >= kNumPrograms) return false;
    copyText(text, programs[index].name.c_str(), kMaxProgramNameLength);
    return true;
}

// ---- fixed answers -------------------------------------------------------------

bool Quaxel2::getEffectName(char* name) {
    copyText(name, "Quaxel2", kMaxEffectNameLength);
    return true;
}

bool Quaxel2::getVendorString(char* text) {
    copyText(text, "Mirthwork & DJ Tolm", kMaxVendorStringLength);
    return true;
}

bool Quaxel2::getProductString(char* text) {
    copyText(text, "Quaxel 2 VST", kMaxProductStringLength);
    return true;
}

VstInt32 Quaxel2::canDo(char* text) {
    return std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0 ? 1 : -1;
}

bool Quaxel2::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    if (index < 0 || index > 1) return false;
    std::snprintf(properties->label, sizeof properties->label, "tmpl out %1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

void Quaxel2::getParameterLabel(VstInt32 /*index*/, char* label) { *label = 0; }

void Quaxel2::getParameterDisplay(VstInt32 /*index*/, char* text) { *text = 0; }
