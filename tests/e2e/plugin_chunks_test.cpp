// State chunks through the real shared object: what one plug-in saves, a
// second one loads, and both then play the same.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/vst2.h"
#include "tests/support/chunk_bytes.h"
#include "tests/support/midi_events.h"

namespace {

using Bytes = std::vector<unsigned char>;
using EntryPoint = AEffect* (*)(audioMasterCallback);

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static VstTimeInfo info{};
    info.tempo = 120.0;
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&info);
    return 0;
}

class Library {
public:
    Library() : handle(dlopen(QUAXEL2_SO, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (handle) dlclose(handle);
    }
    EntryPoint entry() const { return reinterpret_cast<EntryPoint>(dlsym(handle, "VSTPluginMain")); }
    const char* const* names() const {
        return *static_cast<const char* const* const*>(dlsym(handle, "internalInstrumentName"));
    }
    void* handle;
};

class Plugin {
public:
    explicit Plugin(const Library& library) : effect(library.entry()(host)) {
        call(effOpen);
        call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        call(effSetBlockSize, 0, 256);
        call(effMainsChanged, 0, 1);
    }
    ~Plugin() { call(effClose); }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    Bytes save(bool isPreset) {
        void* data = nullptr;
        const auto size = call(effGetChunk, isPreset ? 1 : 0, 0, &data);
        return {static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size};
    }
    VstIntPtr load(Bytes bytes, bool isPreset) {
        return call(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
    }
    // A chord held for a while and released, as a host would send it.
    std::vector<float> play() {
        std::vector<float> out, left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 60; block++) {
            MidiEvents events;
            if (block == 0 || block == 30)
                for (int note : {48, 55, 64}) events.add(block == 0 ? 0x90 : 0x80, note, 100, 17);
            call(effProcessEvents, 0, 0, events.list());
            effect->processReplacing(effect, nullptr, outputs, 256);
            out.insert(out.end(), left.begin(), left.end());
            out.insert(out.end(), right.begin(), right.end());
        }
        return out;
    }

private:
    AEffect* effect;
};

using chunk_bytes::appendFloat;
using chunk_bytes::appendInt;
using chunk_bytes::appendText;

// A version-3 record with catalogue instruments, written by hand.
void appendRecord(Bytes& out, const std::string& name, const std::vector<std::string>& instruments, int version = 3) {
    appendInt(out, version);
    appendText(out, name);
    appendInt(out, static_cast<int32_t>(instruments.size()));
    for (std::size_t i = 0; i < instruments.size(); i++) {
        appendInt(out, 0);
        appendText(out, instruments[i]);
        appendText(out, "");
        for (int v : {0, 0, 0, -1}) appendInt(out, v);
        appendInt(out, 22);
        for (int p = 0; p < 22; p++) appendFloat(out, p == 0 ? 0.5f : p == 2 ? 0.5f + i / 48.0f : p == 12 ? 1.0f : 0.5f);
    }
    for (float d : {0.625f, 0.3f, 0.4f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f}) appendFloat(out, d);  // the delay is on
    for (float m : {0.8f, 0.5f, 1.0f, 0.5f}) appendFloat(out, m);
    if (version == 5) out.insert(out.end(), 32, 0x5A);
}

Bytes handMadeBank(const char* const* names, int version = 3) {
    Bytes bank;
    for (int p = 0; p < 128; p++)
        appendRecord(bank, "Hand " + std::to_string(p), p == 0 ? std::vector<std::string>{names[12], names[50]}
                                                               : std::vector<std::string>{names[p % 66]},
                     version);
    return bank;
}

float peak(const std::vector<float>& audio) {
    float p = 0;
    for (float x : audio) p = std::max(p, std::fabs(x));
    return p;
}

TEST(ChunksThroughTheSharedObject, BankAndProgramRoundTrips) {
    Library library;
    ASSERT_NE(library.handle, nullptr);
    Plugin first(library), second(library), third(library);
    ASSERT_EQ(first.load(handMadeBank(library.names()), false), 1);
    const Bytes bank = first.save(false);
    const Bytes program = first.save(true);

    ASSERT_EQ(second.load(bank, false), 1);
    EXPECT_EQ(second.save(false), bank);
    const std::vector<float> heard = first.play();
    EXPECT_GT(peak(heard), 0.01f);
    EXPECT_EQ(second.play(), heard);

    ASSERT_EQ(third.load(program, true), 1);
    EXPECT_EQ(third.play(), heard);
    EXPECT_EQ(third.call(effGetProgram), 0);
}

TEST(ChunksThroughTheSharedObject, VersionFiveLoadsLikeVersionThree) {
    Library library;
    Plugin three(library), five(library);
    ASSERT_EQ(three.load(handMadeBank(library.names(), 3), false), 1);
    ASSERT_EQ(five.load(handMadeBank(library.names(), 5), false), 1);
    EXPECT_EQ(five.save(false), three.save(false));
    EXPECT_EQ(five.play(), three.play());
}

TEST(ChunksThroughTheSharedObject, AFreshPluginsStateTravelsWhole) {
    // Whatever a fresh plug-in starts with (the factory bank) survives a
    // save into another plug-in.
    Library library;
    Plugin fresh(library), copy(library);
    const Bytes bank = fresh.save(false);
    ASSERT_EQ(copy.load(bank, false), 1);
    EXPECT_EQ(copy.save(false), bank);
    EXPECT_EQ(copy.play(), fresh.play());
}

TEST(ChunksThroughTheSharedObject, ARefusedChunkIsReportedAndChangesNothing) {
    Library library;
    Plugin plugin(library);
    ASSERT_EQ(plugin.load(handMadeBank(library.names()), false), 1);
    const Bytes before = plugin.save(false);
    Bytes cut(before.begin(), before.begin() + static_cast<long>(before.size() / 2));
    EXPECT_EQ(plugin.load(cut, false), 0);
    EXPECT_EQ(plugin.save(false), before);
}

}  // namespace
