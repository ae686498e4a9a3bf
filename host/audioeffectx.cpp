#include "host/audioeffectx.h"

#include <cstdlib>
#include <cstring>

#include "host/aeffeditor.h"
#include "host/candos.h"
#include "host/textcopy.h"

// ---- opcodes 25 to 79 ------------------------------------------------------

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    auto text = static_cast<char*>(ptr);
    auto asInt = static_cast<VstInt32>(value);
    // One unsigned comparison keeps opcodes below 25 and above 79 out.
    if (static_cast<uint32_t>(opcode - effProcessEvents) > effGetNumMidiOutputChannels - effProcessEvents)
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);

    switch (opcode) {
        case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
        case effCanBeAutomated: return canParameterBeAutomated(index);
        case effString2Parameter: return text ? string2parameter(index, text) : 0;
        case effGetProgramNameIndexed: return text ? getProgramNameIndexed(asInt, index, text) : 0;
        case effGetInputProperties:
            return ptr ? getInputProperties(index, static_cast<VstPinProperties*>(ptr)) : 0;
        case effGetOutputProperties:
            return ptr ? getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) : 0;
        case effGetPlugCategory: return getPlugCategory();
        case effOfflineNotify: return offlineNotify(static_cast<VstAudioFile*>(ptr), asInt, index != 0);
        case effOfflinePrepare: return offlinePrepare(static_cast<VstOfflineTask*>(ptr), asInt);
        case effOfflineRun: return offlineRun(static_cast<VstOfflineTask*>(ptr), asInt);
        case effProcessVarIo: return processVariableIo(static_cast<VstVariableIo*>(ptr));
        case effSetSpeakerArrangement:
            return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                         static_cast<VstSpeakerArrangement*>(ptr));
        case effSetBypass: return setBypass(value != 0);
        case effGetEffectName: return text ? getEffectName(text) : 0;
        case effGetVendorString: return text ? getVendorString(text) : 0;
        case effGetProductString: return text ? getProductString(text) : 0;
        case effGetVendorVersion: return getVendorVersion();
        case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
        case effCanDo: return text ? canDo(text) : 0;
        case effGetTailSize: return getGetTailSize();
        case effGetParameterProperties:
            return getParameterProperties(index, static_cast<VstParameterProperties*>(ptr));
        case effGetVstVersion: return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            if (!editor) return 0;
            VstKeyCode key{index, static_cast<unsigned char>(value),
                           static_cast<unsigned char>(static_cast<int>(opt))};
            return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        }
        case effSetEditKnobMode: return editor ? editor->setKnobMode(asInt) : 0;
        case effGetMidiProgramName: return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case effGetMidiProgramCategory:
            return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        case effHasMidiProgramsChanged: return hasMidiProgramsChanged(index);
        case effGetMidiKeyName: return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr));
        case effBeginSetProgram: return beginSetProgram();
        case effEndSetProgram: return endSetProgram();
        case effGetSpeakerArrangement:
            getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                  static_cast<VstSpeakerArrangement**>(ptr));
            return 0;
        case effShellGetNextPlugin: return getNextShellPlugin(text);
        case effStartProcess: return startProcess();
        case effStopProcess: return stopProcess();
        case effSetTotalSampleToProcess: return setTotalSampleToProcess(asInt);
        case effSetPanLaw: return setPanLaw(asInt, opt);
        case effBeginLoadBank: return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
        case effBeginLoadProgram: return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
        case effSetProcessPrecision: return setProcessPrecision(asInt);
        case effGetNumMidiInputChannels: return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
        default:  // the deprecated rows of this range
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::resume() {
    if (hasFlag(effFlagsIsSynth) || canHostDo(const_cast<char*>(HostCanDos::canDoReceiveVstMidiEvent)) == 1)
        __wantEventsDeprecated(1);
}

VstPlugCategory AudioEffectX::getPlugCategory() {
    return hasFlag(effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) {
    if (in) *in = nullptr;
    if (out) *out = nullptr;
    return false;
}

// ---- host calls --------------------------------------------------------------

bool AudioEffectX::beginEdit(VstInt32 index) { return callHost(audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::endEdit(VstInt32 index) { return callHost(audioMasterEndEdit, index) != 0; }
bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }

double AudioEffectX::updateSampleRate() {
    VstIntPtr answer = callHost(audioMasterGetSampleRate);
    if (answer > 0) sampleRate = static_cast<float>(answer);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    VstIntPtr answer = callHost(audioMasterGetBlockSize);
    if (answer > 0) blockSize = static_cast<VstInt32>(answer);
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() { return static_cast<VstInt32>(callHost(audioMasterGetInputLatency)); }
VstInt32 AudioEffectX::getOutputLatency() { return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency)); }

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
}

VstInt32 AudioEffectX::getAutomationState() {
    return static_cast<VstInt32>(callHost(audioMasterGetAutomationState));
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
    return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

bool AudioEffectX::getHostVendorString(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg) {
    return callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}

VstInt32 AudioEffectX::canHostDo(char* text) { return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0; }

VstInt32 AudioEffectX::getHostLanguage() { return static_cast<VstInt32>(callHost(audioMasterGetLanguage)); }

void* AudioEffectX::getDirectory() { return reinterpret_cast<void*>(callHost(audioMasterGetDirectory)); }

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* ptr) {
    return ptr && callHost(audioMasterOpenFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* ptr) {
    return ptr && callHost(audioMasterCloseFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::__getChunkFileDeprecated(void* nativePath) {
    return nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstOfflineOption option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstOfflineOption option) {
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

void AudioEffectX::__wantEventsDeprecated(VstInt32 filter) { callHost(audioMasterWantMidi, 0, filter); }

VstInt32 AudioEffectX::__tempoAtDeprecated(VstInt32 pos) {
    return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos));
}

VstInt32 AudioEffectX::__getNumAutomatableParametersDeprecated() {
    return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters));
}

VstInt32 AudioEffectX::__getParameterQuantizationDeprecated() {
    return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::__needIdleDeprecated() { return callHost(audioMasterNeedIdle) != 0; }

AEffect* AudioEffectX::__getPreviousPlugDeprecated(VstInt32 /*input*/) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* AudioEffectX::__getNextPlugDeprecated(VstInt32 /*output*/) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

VstInt32 AudioEffectX::__willProcessReplacingDeprecated() {
    return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
}

void AudioEffectX::__setOutputSamplerateDeprecated(float samplerate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

VstSpeakerArrangement* AudioEffectX::__getInputSpeakerArrangementDeprecated() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* AudioEffectX::__getOutputSpeakerArrangementDeprecated() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}

void* AudioEffectX::__openWindowDeprecated(void* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::__closeWindowDeprecated(void* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

// ---- speaker arrangements --------------------------------------------------

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels) {
    if (!arrangement || nbChannels < 0) return false;
    deallocateArrangement(arrangement);
    std::size_t size = 8 + sizeof(VstSpeakerProperties) * static_cast<std::size_t>(nbChannels);
    auto* block = static_cast<VstSpeakerArrangement*>(std::calloc(1, size));
    if (!block) return false;
    block->numChannels = nbChannels;
    *arrangement = block;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (!to || !from) return false;
    copyText(to->name, from->name, 63);
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (!from || !allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    bool all = true;
    for (VstInt32 i = 0; i < from->numChannels; i++)
        all = copySpeaker(&(*to)->speakers[i], &from->speakers[i]) && all;
    return all;
}
