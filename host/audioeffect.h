// First level of the plug-in frame: owns the AEffect record the host holds,
// answers dispatcher opcodes 0 to 24 and keeps sample rate, block size,
// program index and the editor.
#pragma once

#include "host/vst2.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*sampleFrames*/) {}
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    virtual void setParameterAutomated(VstInt32 index, float value);
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { *name = 0; }
    virtual void getParameterLabel(VstInt32 /*index*/, char* label) { *label = 0; }
    virtual void getParameterDisplay(VstInt32 /*index*/, char* text) { *text = 0; }
    virtual void getParameterName(VstInt32 /*index*/, char* text) { *text = 0; }
    virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/ = false) { return 0; }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/ = false) { return 0; }
    virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    virtual AEffEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual void dB2string(float value, char* text, VstInt32 maxLen);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLen);
    virtual void ms2string(float samples, char* text, VstInt32 maxLen);
    virtual void float2string(float value, char* text, VstInt32 maxLen);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen);
    virtual void __processDeprecated(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}
    virtual float __getVuDeprecated() { return 0.0f; }
    virtual void __hasVuDeprecated(bool state = true) { setFlag(effFlagsHasVu, state); }
    virtual void __hasClipDeprecated(bool state = true) { setFlag(effFlagsHasClip, state); }
    virtual void __canMonoDeprecated(bool state = true) { setFlag(effFlagsCanMono, state); }
    virtual void __setRealtimeQualitiesDeprecated(VstInt32 qualities) { cEffect.realQualities = qualities; }
    virtual void __setOfflineQualitiesDeprecated(VstInt32 qualities) { cEffect.offQualities = qualities; }
    virtual bool __isInputConnectedDeprecated(VstInt32 input);
    virtual bool __isOutputConnectedDeprecated(VstInt32 output);

    // Takes ownership of the editor (null clears it) and keeps the
    // has-editor flag in step with it.
    void setEditor(AEffEditor* newEditor);

protected:
    void setFlag(VstInt32 bit, bool state);
    bool hasFlag(VstInt32 bit) const { return (cEffect.flags & bit) != 0; }
    // Calls the host; without a callback answers `fallback` and calls nothing.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f, VstIntPtr fallback = 0);

    static VstIntPtr dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt);
    static float getParameterClass(AEffect* e, VstInt32 index);
    static void setParameterClass(AEffect* e, VstInt32 index, float value);
    static void processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                            VstInt32 sampleFrames);
    static void __processClassDeprecated(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);

    audioMasterCallback audioMaster;
    AEffEditor* editor;
    float sampleRate;
    VstInt32 blockSize;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram;
    AEffect cEffect;
};

// Made by the plug-in: the one object the entry point hands to the host.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
