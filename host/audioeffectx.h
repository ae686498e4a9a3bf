// Second level of the plug-in frame: dispatcher opcodes 25 to 79, the
// VST 2 extensions and the host calls that go with them.
#pragma once

#include "host/audioeffect.h"

// Records this plug-in never looks into; the frame passes them along.
struct VstVariableIo;
struct VstAudioFile;
struct VstOfflineTask;
struct VstParameterProperties;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstPatchChunkInfo;
struct VstFileSelect;
enum VstOfflineOption : VstInt32 { kVstOfflineAudio, kVstOfflinePeaks, kVstOfflineParameter,
                                   kVstOfflineMarker, kVstOfflineCursor, kVstOfflineSelection,
                                   kVstOfflineQueryFiles };

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    void resume() override;

    virtual bool canParameterBeAutomated(VstInt32 /*index*/) { return false; }
    virtual bool string2parameter(VstInt32 /*index*/, char* /*text*/) { return false; }
    virtual bool getParameterProperties(VstInt32 /*index*/, VstParameterProperties* /*p*/) { return false; }
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    virtual bool getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* /*text*/) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual VstInt32 beginLoadBank(VstPatchChunkInfo* /*ptr*/) { return 0; }
    virtual VstInt32 beginLoadProgram(VstPatchChunkInfo* /*ptr*/) { return 0; }
    virtual bool ioChanged();
    virtual double updateSampleRate();
    virtual VstInt32 updateBlockSize();
    virtual VstInt32 getInputLatency();
    virtual VstInt32 getOutputLatency();
    virtual bool getInputProperties(VstInt32 /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool getOutputProperties(VstInt32 /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* /*in*/, VstSpeakerArrangement* /*out*/) {
        return false;
    }
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out);
    virtual bool setBypass(bool /*onOff*/) { return false; }
    virtual bool setPanLaw(VstInt32 /*type*/, float /*val*/) { return false; }
    virtual bool setProcessPrecision(VstInt32 /*precision*/) { return false; }
    virtual VstInt32 getNumMidiInputChannels() { return 0; }
    virtual VstInt32 getNumMidiOutputChannels() { return 0; }
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    virtual VstInt32 getCurrentProcessLevel();
    virtual VstInt32 getAutomationState();
    virtual VstInt32 processEvents(VstEvents* /*events*/) { return 0; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual bool processVariableIo(VstVariableIo* /*varIo*/) { return false; }
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual VstInt32 getHostVendorVersion();
    virtual VstIntPtr hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg);
    virtual VstInt32 canHostDo(char* text);
    virtual VstInt32 getHostLanguage();
    virtual void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state = true) { setFlag(effFlagsNoSoundInStop, state); }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual void* getDirectory();
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32 /*lArg*/, VstIntPtr /*lArg2*/, void* /*ptrArg*/, float /*floatArg*/) {
        return 0;
    }
    virtual VstInt32 canDo(char* /*text*/) { return 0; }
    virtual VstInt32 getVstVersion() { return kVstVersion; }
    virtual VstPlugCategory getPlugCategory();
    virtual VstInt32 getMidiProgramName(VstInt32 /*channel*/, MidiProgramName* /*name*/) { return 0; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32 /*channel*/, MidiProgramName* /*current*/) { return -1; }
    virtual VstInt32 getMidiProgramCategory(VstInt32 /*channel*/, MidiProgramCategory* /*category*/) { return 0; }
    virtual bool hasMidiProgramsChanged(VstInt32 /*channel*/) { return false; }
    virtual bool getMidiKeyName(VstInt32 /*channel*/, MidiKeyName* /*keyName*/) { return false; }
    virtual bool updateDisplay();
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);
    virtual bool openFileSelector(VstFileSelect* ptr);
    virtual bool closeFileSelector(VstFileSelect* ptr);
    virtual VstInt32 getNextShellPlugin(char* /*name*/) { return 0; }
    virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels);
    virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
    virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);
    virtual bool offlineRead(VstOfflineTask* offline, VstOfflineOption option, bool readSource = true);
    virtual bool offlineWrite(VstOfflineTask* offline, VstOfflineOption option);
    virtual bool offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles);
    virtual VstInt32 offlineGetCurrentPass();
    virtual VstInt32 offlineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* /*ptr*/, VstInt32 /*numAudioFiles*/, bool /*start*/) { return false; }
    virtual bool offlinePrepare(VstOfflineTask* /*offline*/, VstInt32 /*count*/) { return false; }
    virtual bool offlineRun(VstOfflineTask* /*offline*/, VstInt32 /*count*/) { return false; }
    virtual VstInt32 offlineGetNumPasses() { return 0; }
    virtual VstInt32 offlineGetNumMetaPasses() { return 0; }

    virtual void __wantEventsDeprecated(VstInt32 filter = 1);
    virtual VstInt32 __tempoAtDeprecated(VstInt32 pos);
    virtual VstInt32 __getNumAutomatableParametersDeprecated();
    virtual VstInt32 __getParameterQuantizationDeprecated();
    virtual VstInt32 __getNumCategoriesDeprecated() { return 1; }
    virtual bool __copyProgramDeprecated(VstInt32 /*destination*/) { return false; }
    virtual bool __needIdleDeprecated();
    virtual AEffect* __getPreviousPlugDeprecated(VstInt32 input);
    virtual AEffect* __getNextPlugDeprecated(VstInt32 output);
    virtual void __inputConnectedDeprecated(VstInt32 /*index*/, bool /*state*/) {}
    virtual void __outputConnectedDeprecated(VstInt32 /*index*/, bool /*state*/) {}
    virtual VstInt32 __willProcessReplacingDeprecated();
    virtual void __wantAsyncOperationDeprecated(bool state = true) { setFlag(effFlagsExtIsAsync, state); }
    virtual void __hasExternalBufferDeprecated(bool state = true) { setFlag(effFlagsExtHasBuffer, state); }
    virtual VstInt32 __reportCurrentPositionDeprecated() { return 0; }
    virtual float* __reportDestinationBufferDeprecated() { return nullptr; }
    virtual void __setOutputSamplerateDeprecated(float samplerate);
    virtual VstSpeakerArrangement* __getInputSpeakerArrangementDeprecated();
    virtual VstSpeakerArrangement* __getOutputSpeakerArrangementDeprecated();
    virtual void* __openWindowDeprecated(void* window);
    virtual bool __closeWindowDeprecated(void* window);
    virtual void __setBlockSizeAndSampleRateDeprecated(VstInt32 size, float rate) {
        blockSize = size;
        sampleRate = rate;
    }
    virtual bool __getErrorTextDeprecated(char* /*text*/) { return false; }
    virtual void* __getIconDeprecated() { return nullptr; }
    virtual bool __setViewPositionDeprecated(VstInt32 /*x*/, VstInt32 /*y*/) { return false; }
    virtual VstInt32 __fxIdleDeprecated() { return 0; }
    virtual bool __keysRequiredDeprecated() { return false; }
    virtual bool __getChunkFileDeprecated(void* nativePath);

    // Hands events to the host; true when the host took them.
    bool sendVstEventsToHost(VstEvents* events);
};
