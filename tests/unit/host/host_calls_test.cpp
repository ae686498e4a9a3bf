// Calls from the plug-in into the host: the opcode and arguments each one
// sends, how the answer is turned into a result, and what happens without a
// host callback.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "host/aeffeditor.h"
#include "host/audioeffectx.h"

namespace {

struct Call {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

std::vector<Call> calls;
VstIntPtr answer = 0;

VstIntPtr recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    calls.push_back({effect, opcode, index, value, ptr, opt});
    return answer;
}

class Effect : public AudioEffectX {
public:
    explicit Effect(audioMasterCallback host) : AudioEffectX(host, 1, 8) {}
    void processReplacing(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override {
        appliedBeforeHost = calls.empty();
        lastIndex = index;
        lastValue = value;
    }
    bool appliedBeforeHost = false;
    VstInt32 lastIndex = -1;
    float lastValue = 0;
};

class HostCalls : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        answer = 0;
    }
    Effect effect{recordingHost};
    char text[64] = "";
    VstFileSelect* selector = reinterpret_cast<VstFileSelect*>(text);
};

struct HostRow {
    const char* name;
    std::function<VstIntPtr(Effect&, void*)> call;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    bool passesPointer;
    VstIntPtr hostAnswer;
    VstIntPtr expected;
    VstIntPtr withoutHost;
};

TEST_F(HostCalls, EachCallSendsItsOpcodeAndConvertsTheAnswer) {
    auto* some = reinterpret_cast<VstFileSelect*>(0x1000);
    const HostRow rows[] = {
        {"version", [](Effect& e, void*) { return e.getMasterVersion(); }, 1, 0, 0, false, 2400, 2400, 1},
        {"version 0", [](Effect& e, void*) { return e.getMasterVersion(); }, 1, 0, 0, false, 0, 1, 1},
        {"unique id", [](Effect& e, void*) { return e.getCurrentUniqueId(); }, 2, 0, 0, false, 42, 42, 0},
        {"input pin", [](Effect& e, void*) { return VstIntPtr(e.__isInputConnectedDeprecated(3)); }, 4, 3, 0, false, 0, 1, 1},
        {"output pin", [](Effect& e, void*) { return VstIntPtr(e.__isOutputConnectedDeprecated(2)); }, 4, 2, 1, false, 5, 0, 1},
        {"time info", [](Effect& e, void*) { return reinterpret_cast<VstIntPtr>(e.getTimeInfo(1024)); }, 7, 0, 1024, false, 0x5000, 0x5000, 0},
        {"send events", [](Effect& e, void* p) { return VstIntPtr(e.sendVstEventsToHost(static_cast<VstEvents*>(p))); }, 8, 0, 0, true, 1, 1, 0},
        {"send events refused", [](Effect& e, void* p) { return VstIntPtr(e.sendVstEventsToHost(static_cast<VstEvents*>(p))); }, 8, 0, 0, true, 2, 0, 0},
        {"io changed", [](Effect& e, void*) { return VstIntPtr(e.ioChanged()); }, 13, 0, 0, false, 7, 1, 0},
        {"size window", [](Effect& e, void*) { return VstIntPtr(e.sizeWindow(820, 505)); }, 15, 820, 505, false, 1, 1, 0},
        {"input latency", [](Effect& e, void*) { return VstIntPtr(e.getInputLatency()); }, 18, 0, 0, false, 64, 64, 0},
        {"process level", [](Effect& e, void*) { return VstIntPtr(e.getCurrentProcessLevel()); }, 23, 0, 0, false, 2, 2, 0},
        {"offline start", [](Effect& e, void* p) { return VstIntPtr(e.offlineStart(static_cast<VstAudioFile*>(p), 3, 4)); }, 25, 4, 3, true, 1, 1, 0},
        {"offline read", [](Effect& e, void* p) { return VstIntPtr(e.offlineRead(static_cast<VstOfflineTask*>(p), kVstOfflinePeaks, false)); }, 26, 0, 1, true, 1, 1, 0},
        {"current pass", [](Effect& e, void*) { return VstIntPtr(e.offlineGetCurrentPass()); }, 28, 0, 0, false, 9, 1, 0},
        {"vendor string", [](Effect& e, void* p) { return VstIntPtr(e.getHostVendorString(static_cast<char*>(p))); }, 32, 0, 0, true, 1, 1, 0},
        {"vendor specific", [](Effect& e, void* p) { return e.hostVendorSpecific(5, 6, p, 0); }, 35, 5, 6, true, -9, -9, 0},
        {"can host do", [](Effect& e, void* p) { return VstIntPtr(e.canHostDo(static_cast<char*>(p))); }, 37, 0, 0, true, -1, 1, 0},
        {"directory", [](Effect& e, void*) { return reinterpret_cast<VstIntPtr>(e.getDirectory()); }, 41, 0, 0, false, 0x77, 0x77, 0},
        {"begin edit", [](Effect& e, void*) { return VstIntPtr(e.beginEdit(12)); }, 43, 12, 0, false, 1, 1, 0},
        {"end edit", [](Effect& e, void*) { return VstIntPtr(e.endEdit(12)); }, 44, 12, 0, false, 0, 0, 0},
        {"file selector", [some](Effect& e, void*) { return VstIntPtr(e.openFileSelector(some)); }, 45, 0, 0, false, 1, 1, 0},
    };
    for (const HostRow& r : rows) {
        SCOPED_TRACE(r.name);
        calls.clear();
        answer = r.hostAnswer;
        EXPECT_EQ(r.call(effect, text), r.expected);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].effect, effect.getAeffect());
        EXPECT_EQ(calls[0].opcode, r.opcode);
        EXPECT_EQ(calls[0].index, r.index);
        EXPECT_EQ(calls[0].value, r.value);
        if (r.passesPointer) {
            EXPECT_EQ(calls[0].ptr, text);
        }

        Effect lonely(nullptr);
        EXPECT_EQ(r.call(lonely, text), r.withoutHost);
    }
}

TEST_F(HostCalls, AutomationAppliesTheValueBeforeTellingTheHost) {
    effect.setParameterAutomated(5, 0.25f);
    EXPECT_TRUE(effect.appliedBeforeHost);
    EXPECT_EQ(effect.lastIndex, 5);
    EXPECT_EQ(effect.lastValue, 0.25f);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 5);
    EXPECT_EQ(calls[0].opt, 0.25f);
}

TEST_F(HostCalls, SampleRateAndBlockSizeTakeOnlyPositiveAnswers) {
    answer = 0;
    EXPECT_EQ(effect.updateBlockSize(), 1024);
    answer = -5;
    EXPECT_EQ(effect.updateBlockSize(), 1024);
    EXPECT_EQ(effect.updateSampleRate(), 44100.0);
    answer = 256;
    EXPECT_EQ(effect.updateBlockSize(), 256);
    answer = 48000;
    EXPECT_EQ(effect.updateSampleRate(), 48000.0);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
}

TEST_F(HostCalls, NullSelectorsMakeNoCall) {
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.__getChunkFileDeprecated(nullptr));
    EXPECT_TRUE(calls.empty());
}

TEST_F(HostCalls, FrameResumeAsksForMidiOnlyForSynthsOrWillingHosts) {
    effect.resume();  // not a synth, host says no to "receiveVstMidiEvent"
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterCanDo);
    EXPECT_STREQ(static_cast<const char*>(calls[0].ptr), "receiveVstMidiEvent");

    calls.clear();
    effect.isSynth(true);
    effect.resume();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterWantMidi);
    EXPECT_EQ(calls[0].value, 1);
}

TEST(EditorBase, RectIsNullAndOpenStoresTheWindow) {
    AEffEditor editor(nullptr);
    ERect dummy{};
    ERect* rect = &dummy;
    EXPECT_FALSE(editor.getRect(&rect));
    EXPECT_EQ(rect, nullptr);
    int window = 0;
    EXPECT_FALSE(editor.open(&window));
    EXPECT_TRUE(editor.isOpen());
    editor.close();
    EXPECT_FALSE(editor.isOpen());
}

TEST(SpeakerArrangements, AllocateMatchAndRelease) {
    Effect effect(nullptr);
    VstSpeakerArrangement* from = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&from, 2));
    EXPECT_EQ(from->numChannels, 2);
    from->type = 7;
    from->speakers[1].azimuth = 0.5f;
    std::memset(from->speakers[1].name, 'x', sizeof from->speakers[1].name);  // not terminated

    VstSpeakerArrangement* to = nullptr;
    EXPECT_TRUE(effect.matchArrangement(&to, from));
    EXPECT_EQ(to->type, 7);
    EXPECT_EQ(to->speakers[1].azimuth, 0.5f);
    EXPECT_EQ(std::strlen(to->speakers[1].name), 63u);
    EXPECT_FALSE(effect.matchArrangement(&to, nullptr));
    EXPECT_FALSE(effect.copySpeaker(nullptr, &from->speakers[0]));

    EXPECT_TRUE(effect.deallocateArrangement(&to));
    EXPECT_EQ(to, nullptr);
    effect.deallocateArrangement(&from);
}

}  // namespace
