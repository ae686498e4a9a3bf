// The plug-in object: what the host reads of it, its fixed answers, the
// parameter map and the shared-memory regions it creates.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "plugin_fixture.h"
#include "synth/quaxel2.h"

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::unique_ptr<Quaxel2> makePlugin() { return std::make_unique<Quaxel2>(quietHost); }

std::unique_ptr<Quaxel2> makeBarePlugin() {
    auto plugin = makePlugin();
    loadBlankBank(*plugin);
    return plugin;
}

std::string nameOf(Quaxel2& p, VstInt32 index) {
    char text[64] = "untouched";
    p.getParameterName(index, text);
    return text;
}

struct ShmInfo {
    bool exists = false;
    off_t size = 0;
    mode_t mode = 0;
};

ShmInfo inspect(const std::string& name) {
    ShmInfo info;
    int fd = shm_open(name.c_str(), O_RDONLY, 0);
    if (fd < 0) return info;
    struct stat st {};
    fstat(fd, &st);
    close(fd);
    return {true, st.st_size, static_cast<mode_t>(st.st_mode & 0777)};
}

TEST(Quaxel2Object, RecordAsTheHostSeesIt) {
    auto plugin = makePlugin();
    const AEffect& r = *plugin->getAeffect();
    EXPECT_EQ(r.magic, fourCharCode("VstP"));
    EXPECT_EQ(r.numPrograms, 128);
    EXPECT_EQ(r.numParams, 768);
    EXPECT_EQ(r.numInputs, 0);
    EXPECT_EQ(r.numOutputs, 2);
    EXPECT_EQ(r.flags, 0x131);
    EXPECT_EQ(r.uniqueID, 0x51584C32);  // "QXL2"
    EXPECT_EQ(r.version, 1);
    EXPECT_EQ(r.ioRatio, 1.0f);
    EXPECT_EQ(r.initialDelay, 0);
    AEffect* e = plugin->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effGetPlugCategory, 0, 0, nullptr, 0), kPlugCategSynth);
}

TEST(Quaxel2Object, FixedAnswers) {
    auto plugin = makePlugin();
    AEffect* e = plugin->getAeffect();
    char text[256];
    EXPECT_EQ(e->dispatcher(e, effGetEffectName, 0, 0, text, 0), 1);
    EXPECT_STREQ(text, "Quaxel2");
    EXPECT_EQ(e->dispatcher(e, effGetVendorString, 0, 0, text, 0), 1);
    EXPECT_STREQ(text, "Mirthwork & DJ Tolm");
    EXPECT_EQ(e->dispatcher(e, effGetProductString, 0, 0, text, 0), 1);
    EXPECT_STREQ(text, "Quaxel 2 VST");
    EXPECT_EQ(e->dispatcher(e, effGetVendorVersion, 0, 0, nullptr, 0), 1);
    EXPECT_EQ(e->dispatcher(e, effCanBeAutomated, 700, 0, nullptr, 0), 1);

    const std::pair<const char*, VstIntPtr> canDos[] = {
        {"receiveVstEvents", 1},   {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", -1},
        {"receiveVstEventsX", -1}, {"sendVstEvents", -1},      {"", -1},
    };
    for (auto [what, answer] : canDos)
        EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, const_cast<char*>(what), 0), answer) << what;

    std::strcpy(text, "keep");
    plugin->getParameterLabel(3, text);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "keep");
    plugin->getParameterDisplay(3, text);
    EXPECT_STREQ(text, "");
}

TEST(Quaxel2Object, OutputPins) {
    auto plugin = makePlugin();
    VstPinProperties pin;
    std::memset(&pin, 0x55, sizeof pin);
    EXPECT_FALSE(plugin->getOutputProperties(2, &pin));
    EXPECT_EQ(pin.flags, 0x55555555);
    EXPECT_TRUE(plugin->getOutputProperties(1, &pin));
    EXPECT_STREQ(pin.label, "tmpl out 2");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_EQ(pin.arrangementType, 0x55555555);  // left as the host gave it
    EXPECT_TRUE(plugin->getOutputProperties(0, &pin));
    EXPECT_STREQ(pin.label, "tmpl out 1");
}

TEST(Quaxel2Object, ProgramNames) {
    auto plugin = makeBarePlugin();
    char text[64];
    plugin->getProgramName(text);
    EXPECT_STREQ(text, "Default");
    char name[] = "Glass Bells";
    plugin->setProgramName(name);
    EXPECT_TRUE(plugin->getProgramNameIndexed(0, 0, text));
    EXPECT_STREQ(text, "Glass Bells");
    EXPECT_TRUE(plugin->getProgramNameIndexed(5, 127, text));
    EXPECT_STREQ(text, "Default");
    EXPECT_FALSE(plugin->getProgramNameIndexed(0, 128, text));
    EXPECT_FALSE(plugin->getProgramNameIndexed(0, -1, text));

    // Host buffers get at most 24 characters and a terminating zero.
    char longName[] = "A very long program name that no host shows whole";
    plugin->setProgramName(longName);
    std::memset(text, '#', sizeof text);
    plugin->getProgramName(text);
    EXPECT_EQ(std::string(text), std::string(longName, 24));
}

TEST(Quaxel2Object, HostProgramSelectionIsRangeLimited) {
    auto plugin = makeBarePlugin();
    AEffect* e = plugin->getAeffect();
    e->dispatcher(e, effSetProgram, 0, 7, nullptr, 0);
    EXPECT_EQ(e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0), 7);
    for (VstIntPtr outside : {VstIntPtr(128), VstIntPtr(-1), VstIntPtr(1) << 33}) {
        e->dispatcher(e, effSetProgram, 0, outside, nullptr, 0);
        EXPECT_EQ(e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0), 7) << outside;
    }
}

TEST(ParameterMap, MasterValuesLiveInTheCurrentProgramAndTheRegion) {
    auto plugin = makeBarePlugin();
    const std::pair<VstInt32, float> defaults[] = {{576, 1.0f}, {577, 0.5f}, {578, 1.0f}, {579, 0.5f}};
    for (auto [index, value] : defaults) EXPECT_EQ(plugin->getParameter(index), value) << index;

    // Delay-block entries 8 to 11 at byte 42880 show the current program's
    // values: what was set last, and after a program change the new one's.
    auto mirrored = [&](int k) {
        float value;
        std::memcpy(&value, plugin->getInstrumentRegion() + 42880 + (8 + k) * 16, sizeof(float));
        return value;
    };
    plugin->setParameter(576, 0.7f);
    plugin->setParameter(579, 0.25f);
    EXPECT_EQ(mirrored(0), 0.7f);
    plugin->setProgram(3);
    EXPECT_EQ(plugin->getParameter(576), 1.0f);
    EXPECT_EQ(mirrored(0), 1.0f);
    EXPECT_EQ(mirrored(3), 0.5f);
    plugin->setParameter(576, 0.1f);
    EXPECT_EQ(mirrored(0), 0.1f);
    plugin->setProgram(0);
    EXPECT_EQ(plugin->getParameter(576), 0.7f);
    EXPECT_EQ(plugin->getParameter(579), 0.25f);
    for (int k = 0; k < 4; k++) EXPECT_EQ(mirrored(k), plugin->getParameter(576 + k)) << k;
}

TEST(ParameterMap, NamesAndInertIndicesWithAnEmptyRack) {
    auto plugin = makeBarePlugin();
    struct Row {
        VstInt32 index;
        const char* name;
    };
    const Row rows[] = {
        {5, "untouched"},  // no instrument: the host's text stays
        {512, "dly time"},  {513, "dly feedback"}, {518, "dly pingpong"}, {519, "dly default"},
        {520, ""},          {576, "Master Vol"},   {577, "Master Tun"},   {578, "Vel. Sens."},
        {579, "pb range"},  {580, ""},             {640, ""},             {767, ""},
        {768, ""},          {-3, ""},
    };
    for (const Row& r : rows) EXPECT_EQ(nameOf(*plugin, r.index), r.name) << r.index;

    for (VstInt32 inert : {0, 5, 351, 511, 520, 575, 580, 639, 640, 643, 767, 768, 100000, -1}) {
        plugin->setParameter(inert, 0.9f);
        EXPECT_EQ(plugin->getParameter(inert), 0.0f) << inert;
    }
}

TEST(SharedRegions, CreatedZeroedWithFreeSlotsAndPrivateMode) {
    auto plugin = makePlugin();
    const std::string n = std::to_string(plugin->getInstanceNumber());
    ShmInfo instruments = inspect("/instrument.mmap" + n);
    ShmInfo sample = inspect("/sample.mmap" + n);
    ASSERT_TRUE(instruments.exists);
    ASSERT_TRUE(sample.exists);
    EXPECT_EQ(instruments.size, 43072);
    EXPECT_EQ(sample.size, 7728);
    EXPECT_EQ(instruments.mode, 0600u);
    EXPECT_EQ(sample.mode, 0600u);

    // The factory bank's program 0 took the first slots; the others are
    // free and empty.
    const unsigned char* region = plugin->getInstrumentRegion();
    ASSERT_NE(region, nullptr);
    const int taken = plugin->getRack(0)->getCount();
    ASSERT_GT(taken, 0);
    for (int slot = 0; slot < 16; slot++) {
        int32_t id;
        std::memcpy(&id, region + slot * 2680, 4);
        EXPECT_EQ(id, slot < taken ? slot : -1) << "slot " << slot;
        if (slot < taken) continue;
        for (std::size_t at = slot * 2680 + 4; at < (slot + 1) * 2680u; at++) ASSERT_EQ(region[at], 0) << at;
    }
    // The delay's block follows the slots; its master-tune mirror holds the
    // factory bank's 0.5.
    float masterTune;
    std::memcpy(&masterTune, region + 42880 + 9 * 16, 4);
    EXPECT_EQ(masterTune, 0.5f);
    const auto* samples = reinterpret_cast<const SampleData*>(plugin->getSampleRegion());
    ASSERT_NE(samples, nullptr);
    for (float peak : samples->maxPeaks) ASSERT_EQ(peak, 0.0f);  // no waveform shown yet
    EXPECT_EQ(samples->waveformReady, 0);
}

// An object made right after `last` takes the number after last's, unless
// another process on the machine takes that number first. `prepare` readies
// the names of that number (and says whether it could), the object is made,
// and `undo` clears what `prepare` left, told whether the object took the
// number; attempts where another process was quicker are made again.
template <class Prepare, class Undo>
std::unique_ptr<Quaxel2> makeAfter(std::unique_ptr<Quaxel2>& last, Prepare prepare, Undo undo) {
    for (int tries = 0; tries < 5; tries++) {
        const int next = last->getInstanceNumber() + 1;
        const bool prepared = prepare(next);
        auto made = makePlugin();
        const bool took = made->getInstanceNumber() == next;
        if (prepared) undo(next, took);
        if (prepared && took) return made;
        last = std::move(made);
    }
    ADD_FAILURE() << "other processes took every number tried";
    return nullptr;
}

TEST(SharedRegions, EachObjectHasItsOwnSuffixAndAStaleObjectIsReplaced) {
    auto first = makePlugin();
    auto second = makePlugin();
    EXPECT_GT(second->getInstanceNumber(), first->getInstanceNumber());
    EXPECT_NE(first->getInstrumentRegion(), second->getInstrumentRegion());

    // A leftover of a process that is gone, under the next object's name,
    // must not be reused. A name that exists already is another live
    // object's: it is left alone and the attempt made again.
    void* stale = nullptr;
    std::string name;
    auto leaveStale = [&](int next) {
        name = "/instrument.mmap" + std::to_string(next);
        const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
        if (fd < 0) return false;
        const bool sized = ftruncate(fd, 43072) == 0;
        stale = mmap(nullptr, 43072, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        if (!sized || stale == MAP_FAILED) return false;
        std::memset(stale, 0x7f, 43072);
        return true;
    };
    // When another process took the number, it replaced the leftover itself.
    auto forget = [&](int, bool took) {
        if (!took) munmap(stale, 43072);
    };
    auto third = makeAfter(second, leaveStale, forget);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(stale)[100], 0x7f);  // the old holder's data is untouched
    EXPECT_EQ(third->getInstrumentRegion()[100], 0);
    EXPECT_EQ(inspect(name).mode, 0600u);
    munmap(stale, 43072);
}

TEST(SharedRegions, AFailedRegionIsReportedAndThePluginGoesOn) {
    // A directory where the next object's region would live makes its
    // creation fail.
    auto probe = makePlugin();
    std::string out;
    auto blocked = [](int next) { return "/dev/shm/instrument.mmap" + std::to_string(next); };
    auto block = [&](int next) {
        if (mkdir(blocked(next).c_str(), 0700) != 0) return false;
        testing::internal::CaptureStdout();
        return true;
    };
    auto unblock = [&](int next, bool) {
        out = testing::internal::GetCapturedStdout();
        rmdir(blocked(next).c_str());
    };
    auto plugin = makeAfter(probe, block, unblock);
    ASSERT_NE(plugin, nullptr);

    EXPECT_EQ(out, "Quaxel2VST > failed to map plugin shared memory \n");
    EXPECT_EQ(plugin->getInstrumentRegion(), nullptr);
    EXPECT_NE(plugin->getSampleRegion(), nullptr);
    plugin->setParameter(576, 0.3f);  // no mirror to write into
    EXPECT_EQ(plugin->getParameter(576), 0.3f);
}

TEST(SharedRegions, RemovedWhenThePluginIsDestroyed) {
    std::string name;
    {
        auto plugin = makePlugin();
        name = "/sample.mmap" + std::to_string(plugin->getInstanceNumber());
        EXPECT_TRUE(inspect(name).exists);
    }
    EXPECT_FALSE(inspect(name).exists);
}

}  // namespace

#include "plugin_fixture.h"

namespace {

TEST(ParameterMap, ReachesInstrumentsDelayAndMarkers) {
    PluginFixture f;
    Quaxel2& p = *f.plugin;
    Instrument* first = f.addInstrument(constant(1000, 0.1f));
    EXPECT_EQ(nameOf(p, 21), "0default");
    EXPECT_EQ(nameOf(p, 22), "");  // beyond the one instrument
    p.setParameter(22, 0.7f);
    EXPECT_EQ(p.getParameter(22), 0.0f);
    p.setParameter(0, 0.3f);
    EXPECT_EQ(first->volume, 0.3f);
    EXPECT_EQ(p.getParameter(0), 0.3f);

    p.setParameter(641, 0.5f);
    EXPECT_EQ(first->getSample(0, -1, -1)->loopEnd, 500);
    EXPECT_EQ(p.getParameter(641), 0.5f);
    p.setParameter(642, 0.25f);
    EXPECT_EQ(first->getSample(0, -1, -1)->startPlay, 250);
    p.setParameter(643, 0.9f);  // the fourth marker of an instrument is no marker
    EXPECT_EQ(p.getParameter(643), 0.0f);
    EXPECT_EQ(p.getParameter(644), 0.0f);  // no second instrument

    first->type = 1;  // catalogue sounds whose markers stay as they are
    p.setParameter(640, 0.2f);
    EXPECT_EQ(first->getSample(0, -1, -1)->loopStart, 0);

    p.setParameter(513, 0.6f);
    EXPECT_EQ(p.getDelay().getParameter(1), 0.6f);
    EXPECT_EQ(p.getParameter(513), 0.6f);

    for (int i = 1; i < 16; i++) f.addInstrument(constant(100, 0.1f));
    EXPECT_EQ(nameOf(p, 3 * 22 + 17), "3pitch EG");
    EXPECT_EQ(nameOf(p, 349), "15interpolate");
    EXPECT_EQ(nameOf(p, 15 * 22 + 21), "15default");
    EXPECT_EQ(nameOf(p, 352), "");
}

}  // namespace
