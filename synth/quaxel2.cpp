#include "synth/quaxel2.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "dsp/pitch_tables.h"
#include "host/export.h"
#include "host/textcopy.h"
#include "instruments/catalogue.h"
#include "instruments/instrument.h"

// The factory bank: a version-2 bank chunk compiled into the plug-in.
extern "C" QX_EXPORT const unsigned char bank[];
extern "C" QX_EXPORT const int32_t bank_size;

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
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams),  // 1. the frame
      instanceNumber(instanceCounter.fetch_add(1)),         // 3. (after 2, below)
      delay(std::make_unique<Delay>(44100)) {               // 2. the delay; the programs are members
    // 4. What the host sees of us.
    setNumInputs(0);
    isSynth(true);
    setUniqueID(kUniqueId);
    setNumOutputs(2);
    canProcessReplacing(true);
    programsAreChunks(true);

    // 5. Process-wide tables.
    makeFrequencyTab();
    makeName();

    // 6. Voices, then racks; only rack 0 is ever filled.
    for (int i = 0; i < kNumVoices; i++) voices[i] = std::make_unique<Voice>(i, this);
    for (auto& rack : racks) rack = std::make_unique<Rack>();
    rackCount = 1;

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

    // 10. The note table starts empty (member initialiser).
    // 11. The delay keeps its parameters in the instrument region, after the slots.
    delay->setSharedRecords(instrumentRegion
                                ? reinterpret_cast<ParameterRecord*>(instrumentRegion + kDelayBlockOffset)
                                : nullptr);
    delay->initData();
    delay->setParameter(0, 0.625f);
    delay->setParameter(1, 0.25f);
    delay->setParameter(2, 0.41f);
    // 12. Tempos, sample-position parameters and grain size are member initialisers.
    // 13. The factory bank fills all programs and builds program 0.
    setChunk2(const_cast<unsigned char*>(bank), bank_size, false);
    // 14. Editor object: arrives with the editor bridge.
}

Quaxel2::~Quaxel2() {
    // Instruments mark their shared records free and the delay holds a
    // pointer into the region: both go before the regions are unmapped.
    freeRemovedInstruments();
    for (auto& rack : racks) rack.reset();
    delay.reset();
}


double Quaxel2::renderSampleRate() const {
    return sampleRate > 0.0f && std::isfinite(sampleRate) ? sampleRate : 44100.0;
}

int Quaxel2::getRenderBlockSize() const {
    if (blockSize <= 0) return kDefaultBlockSize;
    return blockSize < kMaxBlockSize ? blockSize : kMaxBlockSize;
}

// ---- programs ----------------------------------------------------------------

void Quaxel2::setProgramName(char* name) {
    std::lock_guard<std::recursive_mutex> structure(structureMutex);
    char bounded[kMaxProgramNameLength + 1];
    copyText(bounded, name, kMaxProgramNameLength);
    programs[curProgram].name = bounded;
}

void Quaxel2::getProgramName(char* name) {
    std::lock_guard<std::recursive_mutex> structure(structureMutex);
    copyText(name, programs[curProgram].name.c_str(), kMaxProgramNameLength);
}

bool Quaxel2::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    if (index < 0 || index >= kNumPrograms) return false;
    std::lock_guard<std::recursive_mutex> structure(structureMutex);
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
