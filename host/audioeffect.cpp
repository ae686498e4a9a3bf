#include "host/audioeffect.h"

#include <cmath>
#include <cstring>

#include "host/aeffeditor.h"
#include "host/textcopy.h"

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster),
      editor(nullptr),
      sampleRate(44100.0f),
      blockSize(1024),
      numPrograms(numPrograms),
      numParams(numParams),
      curProgram(0) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.process = __processClassDeprecated;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode("NoEf");
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    canProcessReplacing(true);
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

void AudioEffect::setFlag(VstInt32 bit, bool state) {
    if (state)
        cEffect.flags |= bit;
    else
        cEffect.flags &= ~bit;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt,
                                VstIntPtr fallback) {
    if (!audioMaster) return fallback;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

// ---- trampolines: the record's function pointers lead here -----------------

static AudioEffect* objectOf(AEffect* e) { return static_cast<AudioEffect*>(e->object); }

// Nothing may unwind into the host: an exception that reaches a trampoline
// ends there, and the call answers as a refused one would.

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt) {
    AudioEffect* object = objectOf(e);
    if (opcode == effClose) {
        try {
            object->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        delete object;  // destructors do not throw
        return 1;
    }
    try {
        return object->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index) {
    try {
        return objectOf(e)->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value) {
    try {
        objectOf(e)->setParameter(index, value);
    } catch (...) {
    }
}

namespace {
// A block that could not be rendered is silence.
template <typename Sample>
void silence(Sample** outputs, VstInt32 channels, VstInt32 frames) {
    if (!outputs || frames <= 0) return;
    for (VstInt32 channel = 0; channel < channels; channel++)
        if (outputs[channel])
            for (VstInt32 i = 0; i < frames; i++) outputs[channel][i] = 0;
}
}  // namespace

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    try {
        objectOf(e)->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
        silence(outputs, e->numOutputs, sampleFrames);
    }
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 sampleFrames) {
    try {
        objectOf(e)->processDoubleReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
        silence(outputs, e->numOutputs, sampleFrames);
    }
}

void AudioEffect::__processClassDeprecated(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    try {
        objectOf(e)->__processDeprecated(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

// ---- opcodes 0 to 24 -------------------------------------------------------

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    auto text = static_cast<char*>(ptr);
    switch (opcode) {
        case effOpen: open(); return 0;
        case effClose: close(); return 0;
        case effSetProgram:
            if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram: return getProgram();
        case effSetProgramName:
            if (text) setProgramName(text);
            return 0;
        case effGetProgramName:
            if (text) getProgramName(text);
            return 0;
        case effGetParamLabel:
            if (text) getParameterLabel(index, text);
            return 0;
        case effGetParamDisplay:
            if (text) getParameterDisplay(index, text);
            return 0;
        case effGetParamName:
            if (text) getParameterName(index, text);
            return 0;
        case effSetSampleRate: setSampleRate(opt); return 0;
        case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
        case effMainsChanged:
            if (value == 0)
                suspend();
            else
                resume();
            return 0;
        // A host that gives no place for the rectangle gets nothing.
        case effEditGetRect: return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
        case effEditOpen: return editor ? editor->open(ptr) : 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effIdentify: return fourCharCode("NvEf");
        case effGetChunk:
            // A host that passes no place for the address gets nothing.
            return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case effSetChunk: return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        default: return 0;  // deprecated rows and numbers outside 0 to 24
    }
}

// ---- host calls of the first level ----------------------------------------

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion() {
    VstIntPtr version = callHost(audioMasterVersion, 0, 0, nullptr, 0.0f, 1);
    return version == 0 ? 1 : static_cast<VstInt32>(version);
}

VstInt32 AudioEffect::getCurrentUniqueId() { return static_cast<VstInt32>(callHost(audioMasterCurrentId)); }

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::__isInputConnectedDeprecated(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::__isOutputConnectedDeprecated(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

// ---- value formatting ------------------------------------------------------

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    if (value <= 0)
        copyText(text, "-oo", maxLen);
    else
        float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    float rate = getSampleRate();
    float2string(samples == 0.0f ? 0.0f : rate / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    float2string(static_cast<float>(samples * 1000.0 / getSampleRate()), text, maxLen);
}

// Up to 8 characters: 7 integer digits for positive values (6 with a minus),
// the point, then truncated fraction digits to fill the eight.
void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    double v = value;
    bool negative = v < 0;
    int count = 2;
    if (negative) {
        v = -v;
        count = 3;
    }
    if (!(v <= (negative ? 9999999.0 : 99999999.0))) {  // NaN is out of range too
        copyText(text, "Huge!", maxLen);
        return;
    }
    char digits[32];
    char* s = digits + 31;
    *s-- = 0;
    *s-- = '.';
    double integer = std::floor(v);
    *s-- = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.0)));
    integer /= 10.0;
    while (integer >= 1.0 && count < 8) {
        *s-- = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.0)));
        integer /= 10.0;
        count++;
    }
    if (negative) *s-- = '-';
    copyText(text, s + 1, maxLen);
    if (count >= 8) return;

    s = digits + 31;
    *s-- = 0;
    double mantissa = std::fmod(v, 1.0) * std::pow(10.0, 8 - count);
    for (; count < 8; count++) {
        if (mantissa <= 0) {
            *s-- = '0';
        } else {
            *s-- = static_cast<char>('0' + static_cast<int>(std::fmod(mantissa, 10.0)));
            mantissa /= 10.0;
        }
    }
    appendText(text, s + 1, maxLen);
}

// Zero gives the empty text; digits appear from the first non-zero one.
void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
    // Nine digits at most: a larger magnitude would need a tenth, which the
    // divisor ladder below cannot produce.
    if (value > 99999999 || magnitude > 999999999) {
        copyText(text, "Huge!", maxLen);
        return;
    }
    copyText(text, value < 0 ? "-" : "", maxLen);
    bool started = false;
    for (long long divisor = 100000000; divisor >= 1; divisor /= 10) {
        long long digit = magnitude / divisor;
        magnitude -= digit * divisor;
        if (started || digit > 0) {
            char one[2] = {static_cast<char>('0' + digit), 0};
            appendText(text, one, maxLen);
            started = true;
        }
    }
}
