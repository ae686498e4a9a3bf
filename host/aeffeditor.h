// Base of the plug-in's editor: the host's editor opcodes reach an object
// of this kind through the frame.
#pragma once

#include "host/vst2.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    virtual bool getRect(ERect** rect);
    virtual bool open(void* ptr);
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& /*keyCode*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*keyCode*/) { return false; }
    virtual bool onWheel(float /*distance*/) { return false; }
    virtual bool setKnobMode(VstInt32 /*val*/) { return false; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
