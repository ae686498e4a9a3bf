// quaxel2.so loaded the way a host loads it: dlopen, VSTPluginMain, the
// record and the dispatcher, nothing else.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>

#include "host/vst2.h"
#include "tests/support/instance_numbers.h"

namespace {

using EntryPoint = AEffect* (*)(audioMasterCallback);

VstIntPtr hostVersion = 2400;
int callsBeforeRecord = 0;

VstIntPtr host(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (!effect) callsBeforeRecord++;
    return opcode == audioMasterVersion ? hostVersion : 0;
}

class LoadedPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        hostVersion = 2400;
        library = dlopen(QUAXEL2_SO, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        entry = reinterpret_cast<EntryPoint>(dlsym(library, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
    }
    void TearDown() override {
        if (library) dlclose(library);
    }
    static VstIntPtr call(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0) {
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    static bool shmExists(const std::string& name) {
        int fd = shm_open(name.c_str(), O_RDONLY, 0);
        if (fd < 0) return false;
        close(fd);
        return true;
    }
    void* library = nullptr;
    EntryPoint entry = nullptr;
};

TEST_F(LoadedPlugin, RecordAndOpcodesAsAHostReadsThem) {
    AEffect* e = nullptr;
    const int number = numberTakenBy([&] { e = entry(host); });
    ASSERT_NE(e, nullptr);
    ASSERT_GE(number, 0);
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 128);
    EXPECT_EQ(e->numParams, 768);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0x131);
    EXPECT_EQ(e->uniqueID, fourCharCode("QXL2"));
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->ioRatio, 1.0f);

    call(e, effOpen);
    call(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    call(e, effSetBlockSize, 0, 256);
    call(e, effMainsChanged, 0, 1);
    EXPECT_EQ(call(e, effIdentify), 0x4E764566);
    EXPECT_EQ(call(e, effGetPlugCategory), 2);
    EXPECT_EQ(call(e, effGetVstVersion), 2400);
    EXPECT_EQ(call(e, effGetCurrentMidiProgram), -1);
    EXPECT_EQ(call(e, effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(call(e, 80), 0);
    EXPECT_EQ(call(e, -1), 0);

    // One block of silence through the record's own process pointer.
    float left[256], right[256];
    std::fill(left, left + 256, 1.0f);
    std::fill(right, right + 256, 1.0f);
    float* outputs[2] = {left, right};
    e->processReplacing(e, nullptr, outputs, 256);
    EXPECT_EQ(left[0], 0.0f);
    EXPECT_EQ(right[255], 0.0f);

    EXPECT_EQ(call(e, effEditGetRect), 0);  // a host that gives no place for the rectangle

    e->setParameter(e, 576, 0.25f);
    EXPECT_EQ(e->getParameter(e, 576), 0.25f);

    call(e, effMainsChanged, 0, 0);
    EXPECT_EQ(call(e, effClose), 1);
    EXPECT_FALSE(shmExists("/instrument.mmap" + std::to_string(number)));  // the object is gone
}

// Numbers go up within a process; others on the machine may hold any of
// them, so the objects' numbers need not follow one another.
TEST_F(LoadedPlugin, InstancesTakeSuffixesInOrderAndNeverReuseThem) {
    AEffect *first = nullptr, *second = nullptr, *third = nullptr;
    const int firstNumber = numberTakenBy([&] { first = entry(host); });
    const int secondNumber = numberTakenBy([&] { second = entry(host); });
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_GE(firstNumber, 0);
    EXPECT_GT(secondNumber, firstNumber);
    for (int n : {firstNumber, secondNumber}) {
        EXPECT_TRUE(shmExists("/instrument.mmap" + std::to_string(n))) << n;
        EXPECT_TRUE(shmExists("/sample.mmap" + std::to_string(n))) << n;
    }

    EXPECT_EQ(call(first, effClose), 1);
    EXPECT_EQ(call(second, effClose), 1);
    const int thirdNumber = numberTakenBy([&] { third = entry(host); });
    ASSERT_NE(third, nullptr);
    EXPECT_GT(thirdNumber, secondNumber);  // freed numbers are not taken again
    EXPECT_TRUE(shmExists("/instrument.mmap" + std::to_string(thirdNumber)));
    EXPECT_EQ(call(third, effClose), 1);
}

TEST_F(LoadedPlugin, AHostWithoutAVersionGetsNothing) {
    hostVersion = 0;
    callsBeforeRecord = 0;
    EXPECT_EQ(entry(host), nullptr);
    EXPECT_EQ(callsBeforeRecord, 1);
    EXPECT_EQ(entry(nullptr), nullptr);
    EXPECT_TRUE(mappedInstanceNumbers().empty());  // no object, no regions

    hostVersion = 2400;
    AEffect* e = nullptr;
    const int number = numberTakenBy([&] { e = entry(host); });
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(shmExists("/instrument.mmap" + std::to_string(number)));
    call(e, effClose);
}

TEST(SharedObject, ExportsOnlyItsPublicNames) {
    FILE* pipe = popen("nm -D --defined-only " QUAXEL2_SO, "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
        char address[64], kind[8], name[400];
        if (sscanf(line, "%63s %7s %399s", address, kind, name) == 3) exported.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);

    const std::set<std::string> names = {"VSTPluginMain", "SampleAddInt", "SampleFunction1", "SampleFunction2",
                                         "semitonesTab",  "centsTab",        "internalInstrumentName", "bank", "bank_size",
                                         "uifile", "uifile_size", "_Z12createEditorP12AudioEffectX"};
    for (const std::string& name : names) EXPECT_EQ(exported.count(name), 1u) << name;
    for (const std::string& name : exported) {
        bool capability = name.rfind("_ZN10PlugCanDos", 0) == 0 || name.rfind("_ZN10HostCanDos", 0) == 0;
        EXPECT_TRUE(names.count(name) || capability) << "unexpected export " << name;
    }
    EXPECT_EQ(exported.size(), names.size() + 8 + 14);
}

TEST(SharedObject, HelperExportsAnswerAsDocumented) {
    void* library = dlopen(QUAXEL2_SO, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    auto add = reinterpret_cast<int (*)(int, int)>(dlsym(library, "SampleAddInt"));
    auto two = reinterpret_cast<int (*)()>(dlsym(library, "SampleFunction2"));
    auto receive = static_cast<const char**>(dlsym(library, "_ZN10PlugCanDos24canDoReceiveVstMidiEventE"));
    ASSERT_TRUE(add && two && receive);
    EXPECT_EQ(add(40, 2), 42);
    EXPECT_EQ(two(), 0);
    EXPECT_STREQ(*receive, "receiveVstMidiEvent");
    dlclose(library);
}

}  // namespace
