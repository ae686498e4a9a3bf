// The two-level dispatcher: every opcode reaches the right operation with
// the right arguments and hands back the right result.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "host/aeffeditor.h"
#include "host/audioeffectx.h"

namespace {

std::string log;

void note(const std::string& call) { log += call + ";"; }
std::string str(long long v) { return std::to_string(v); }
std::string ptrName(void* p) { return p ? "p" : "null"; }

// An effect that writes down which operation the dispatcher reached.
class RecordingEffect : public AudioEffectX {
public:
    RecordingEffect() : AudioEffectX(nullptr, 4, 10) {}
    void open() override { note("open"); }
    void close() override { note("close"); }
    void suspend() override { note("suspend"); }
    void resume() override { note("resume"); }
    void setSampleRate(float r) override { note("setSampleRate " + str(static_cast<long long>(r))); }
    void setBlockSize(VstInt32 n) override { note("setBlockSize " + str(n)); }
    void processReplacing(float**, float**, VstInt32) override {}
    VstInt32 getProgram() override { note("getProgram"); return 3; }
    void setProgram(VstInt32 p) override { note("setProgram " + str(p)); }
    void setProgramName(char* t) override { note(std::string("setProgramName ") + t); }
    void getProgramName(char*) override { note("getProgramName"); }
    void getParameterLabel(VstInt32 i, char*) override { note("getParameterLabel " + str(i)); }
    void getParameterDisplay(VstInt32 i, char*) override { note("getParameterDisplay " + str(i)); }
    void getParameterName(VstInt32 i, char*) override { note("getParameterName " + str(i)); }
    VstInt32 getChunk(void**, bool preset) override { note("getChunk " + str(preset)); return 77; }
    VstInt32 setChunk(void*, VstInt32 n, bool preset) override {
        note("setChunk " + str(n) + " " + str(preset));
        return -5;
    }
    VstInt32 processEvents(VstEvents* e) override { note("processEvents " + ptrName(e)); return 1; }
    bool canParameterBeAutomated(VstInt32 i) override { note("canParameterBeAutomated " + str(i)); return true; }
    bool string2parameter(VstInt32 i, char*) override { note("string2parameter " + str(i)); return false; }
    bool getProgramNameIndexed(VstInt32 c, VstInt32 i, char*) override {
        note("getProgramNameIndexed " + str(c) + " " + str(i));
        return true;
    }
    bool getInputProperties(VstInt32 i, VstPinProperties*) override { note("getInputProperties " + str(i)); return false; }
    bool getOutputProperties(VstInt32 i, VstPinProperties*) override { note("getOutputProperties " + str(i)); return true; }
    bool offlineNotify(VstAudioFile*, VstInt32 n, bool s) override {
        note("offlineNotify " + str(n) + " " + str(s));
        return false;
    }
    bool setBypass(bool on) override { note("setBypass " + str(on)); return false; }
    bool getEffectName(char*) override { note("getEffectName"); return true; }
    VstInt32 canDo(char* t) override { note(std::string("canDo ") + t); return -1; }
    VstIntPtr vendorSpecific(VstInt32 a, VstIntPtr b, void*, float f) override {
        note("vendorSpecific " + str(a) + " " + str(b) + " " + str(static_cast<long long>(f)));
        return 0;
    }
    bool setPanLaw(VstInt32 t, float v) override { note("setPanLaw " + str(t) + " " + str(static_cast<long long>(v))); return false; }
    VstInt32 setTotalSampleToProcess(VstInt32 v) override { note("setTotalSampleToProcess " + str(v)); return v; }
    VstInt32 __getNumCategoriesDeprecated() override { note("getNumCategories"); return 1; }
};

class RecordingEditor : public AEffEditor {
public:
    using AEffEditor::AEffEditor;
    bool getRect(ERect** r) override { note("getRect"); *r = &rect; return true; }
    bool open(void* w) override { note("editor open " + ptrName(w)); return true; }
    void close() override { note("editor close"); }
    void idle() override { note("editor idle"); }
    bool onKeyDown(VstKeyCode& k) override {
        note("keyDown " + str(k.character) + " " + str(k.virt) + " " + str(k.modifier));
        return false;
    }
    bool onKeyUp(VstKeyCode& k) override { note("keyUp " + str(k.character)); return false; }
    bool setKnobMode(VstInt32 m) override { note("knobMode " + str(m)); return false; }
    ERect rect{0, 0, 10, 20};
};

struct Row {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
    VstIntPtr result;
    const char* calls;
};

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { log.clear(); }
    VstIntPtr send(AEffect* e, const Row& r) {
        char text[256] = "abc";
        void* ptr = text;
        return e->dispatcher(e, r.opcode, r.index, r.value, ptr, r.opt);
    }
};

TEST_F(Dispatch, EveryOpcodeReachesItsOperation) {
    const Row rows[] = {
        {0, 0, 0, 0, 0, "open;"},
        {2, 0, 3, 0, 0, "setProgram 3;"},
        {2, 0, 4, 0, 0, ""},  // one past the last program
        {2, 0, -1, 0, 0, ""},
        {3, 0, 0, 0, 3, "getProgram;"},
        {4, 0, 0, 0, 0, "setProgramName abc;"},
        {5, 0, 0, 0, 0, "getProgramName;"},
        {6, 7, 0, 0, 0, "getParameterLabel 7;"},
        {7, 7, 0, 0, 0, "getParameterDisplay 7;"},
        {8, 7, 0, 0, 0, "getParameterName 7;"},
        {9, 0, 0, 0, 0, ""},
        {10, 0, 0, 48000.0f, 0, "setSampleRate 48000;"},
        {11, 0, 256, 0, 0, "setBlockSize 256;"},
        {12, 0, 0, 0, 0, "suspend;"},
        {12, 0, 1, 0, 0, "resume;"},
        {12, 0, -7, 0, 0, "resume;"},
        {16, 0, 0, 0, 0, ""},
        {22, 0, 0, 0, 0x4E764566, ""},
        {23, 1, 0, 0, 77, "getChunk 1;"},
        {23, 0, 0, 0, 77, "getChunk 0;"},
        {24, 1, 99, 0, -5, "setChunk 99 1;"},
        {25, 0, 0, 0, 1, "processEvents p;"},
        {26, 5, 0, 0, 1, "canParameterBeAutomated 5;"},
        {27, 5, 0, 0, 0, "string2parameter 5;"},
        {28, 0, 0, 0, 0, ""},  // deprecated, although the frame has the operation
        {29, 9, 2, 0, 1, "getProgramNameIndexed 2 9;"},
        {33, 1, 0, 0, 0, "getInputProperties 1;"},
        {34, 1, 0, 0, 1, "getOutputProperties 1;"},
        {35, 0, 0, 0, 0, ""},  // no is-synth flag here
        {38, 1, 4, 0, 0, "offlineNotify 4 1;"},
        {44, 0, 2, 0, 0, "setBypass 1;"},
        {45, 0, 0, 0, 1, "getEffectName;"},
        {49, 0, 0, 0, 0, ""},
        {50, 3, 4, 5.0f, 0, "vendorSpecific 3 4 5;"},
        {51, 0, 0, 0, -1, "canDo abc;"},
        {52, 0, 0, 0, 0, ""},
        {58, 0, 0, 0, 2400, ""},
        {63, 0, 0, 0, -1, ""},
        {73, 0, 12345, 0, 12345, "setTotalSampleToProcess 12345;"},
        {74, 0, 2, 3.0f, 0, "setPanLaw 2 3;"},
        {80, 0, 0, 0, 0, ""},
        {-1, 0, 0, 0, 0, ""},
        {1000, 0, 0, 0, 0, ""},
    };
    RecordingEffect effect;
    for (const Row& r : rows) {
        log.clear();
        EXPECT_EQ(send(effect.getAeffect(), r), r.result) << "opcode " << r.opcode;
        EXPECT_EQ(log, r.calls) << "opcode " << r.opcode;
    }
}

TEST_F(Dispatch, EditorOpcodesGoToTheEditorOrAnswerZero) {
    const Row rows[] = {
        {13, 0, 0, 0, 1, "getRect;"},
        {14, 0, 0, 0, 1, "editor open p;"},
        {15, 0, 0, 0, 0, "editor close;"},
        {19, 0, 0, 0, 0, "editor idle;"},
        {59, 65, 0x1234, 3.9f, 0, "keyDown 65 52 3;"},
        {60, 66, 0, 0, 0, "keyUp 66;"},
        {61, 0, 2, 0, 0, "knobMode 2;"},
    };
    RecordingEffect effect;
    for (const Row& r : rows) {
        log.clear();
        EXPECT_EQ(send(effect.getAeffect(), r), 0) << "no editor, opcode " << r.opcode;
        EXPECT_EQ(log, "");
    }
    effect.setEditor(new RecordingEditor(&effect));
    EXPECT_EQ(effect.getAeffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    for (const Row& r : rows) {
        log.clear();
        EXPECT_EQ(send(effect.getAeffect(), r), r.result) << "opcode " << r.opcode;
        EXPECT_EQ(log, r.calls) << "opcode " << r.opcode;
    }
}

TEST_F(Dispatch, CloseCallsCloseThenDeletesTheObjectAndAnswersOne) {
    struct Closing : RecordingEffect {
        ~Closing() override { note("destroyed"); }
    };
    auto* effect = new Closing;
    AEffect* record = effect->getAeffect();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_EQ(log, "close;destroyed;");
}

// A host without a catch of its own would abort on an exception from us.
TEST_F(Dispatch, NoExceptionLeavesAnEntryPoint) {
    struct Throwing : RecordingEffect {
        VstInt32 setChunk(void*, VstInt32, bool) override { throw std::bad_alloc(); }
        void setParameter(VstInt32, float) override { throw std::runtime_error("set"); }
        float getParameter(VstInt32) override { throw std::runtime_error("get"); }
        void processReplacing(float**, float** outputs, VstInt32) override {
            outputs[0][0] = 5.0f;
            throw std::bad_alloc();
        }
        void close() override { throw 42; }
        ~Throwing() override { note("destroyed"); }
    };
    auto* effect = new Throwing;
    AEffect* e = effect->getAeffect();
    char chunk[8] = {};
    EXPECT_EQ(e->dispatcher(e, effSetChunk, 0, 8, chunk, 0), 0);
    e->setParameter(e, 1, 0.5f);
    EXPECT_EQ(e->getParameter(e, 1), 0.0f);
    float left[4] = {1, 1, 1, 1}, right[4] = {1, 1, 1, 1};
    float* outputs[2] = {left, right};
    e->processReplacing(e, nullptr, outputs, 4);
    for (int i = 0; i < 4; i++) EXPECT_EQ(left[i] + right[i], 0.0f) << i;  // silence
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_EQ(log, "destroyed;");
}

TEST_F(Dispatch, SpeakerArrangementQueryClearsBothPointers) {
    RecordingEffect effect;
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* in = &dummy;
    VstSpeakerArrangement* out = &dummy;
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->dispatcher(e, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out, 0), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    // A host that passes no pointers at all does not crash the plug-in.
    EXPECT_EQ(e->dispatcher(e, effGetSpeakerArrangement, 0, 0, nullptr, 0), 0);
}

TEST_F(Dispatch, NullTextPointersAreRefusedWithoutACall) {
    RecordingEffect effect;
    AEffect* e = effect.getAeffect();
    for (VstInt32 opcode : {4, 5, 6, 7, 8, 23, 29, 34, 45, 51}) {
        log.clear();
        EXPECT_EQ(e->dispatcher(e, opcode, 0, 0, nullptr, 0), 0) << opcode;
        EXPECT_EQ(log, "") << opcode;
    }
}

TEST_F(Dispatch, ANullRectPointerIsAnsweredWithZeroWithoutACall) {
    RecordingEffect effect;
    effect.setEditor(new RecordingEditor(&effect));
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(log, "");
}

TEST_F(Dispatch, RecordAfterConstructionOfTheBareFrame) {
    RecordingEffect effect;
    const AEffect& r = *effect.getAeffect();
    EXPECT_EQ(r.magic, 0x56737450);
    EXPECT_EQ(r.numPrograms, 4);
    EXPECT_EQ(r.numParams, 10);
    EXPECT_EQ(r.numInputs, 1);
    EXPECT_EQ(r.numOutputs, 2);
    EXPECT_EQ(r.flags, effFlagsCanReplacing);
    EXPECT_EQ(r.uniqueID, 0x4E6F4566);
    EXPECT_EQ(r.version, 1);
    EXPECT_EQ(r.ioRatio, 1.0f);
    EXPECT_EQ(r.object, &effect);
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
}

TEST_F(Dispatch, FlagSettersSetAndClearTheirBits) {
    RecordingEffect effect;
    const VstInt32& flags = effect.getAeffect()->flags;
    effect.isSynth(true);
    effect.programsAreChunks(true);
    effect.noTail(true);
    effect.canDoubleReplacing(true);
    EXPECT_EQ(flags, 16 | 32 | 256 | 512 | 4096);
    effect.noTail(false);
    effect.canDoubleReplacing(false);
    effect.canProcessReplacing(false);
    EXPECT_EQ(flags, 32 | 256);
    effect.setEditor(new AEffEditor(&effect));
    EXPECT_EQ(flags, 1 | 32 | 256);
}

}  // namespace
