// The editor program's requests reaching the plug-in through the real UI
// FIFO, and the replies it finds on the plugin FIFO.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>
#include <initializer_list>
#include <string>
#include <vector>

#include "contract/parameter_map.h"
#include "editor/bridge_names.h"
#include "editor/quaxel2_editor.h"
#include "instruments/catalogue.h"
#include "instruments/regular_file.h"
#include "plugin_fixture.h"
#include "resources/builtin_resources.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const UiMessage& m) { return Bytes(m.bytes, m.bytes + m.size); }

Bytes join(std::initializer_list<UiMessage> messages) {
    Bytes all;
    for (const UiMessage& m : messages) all.insert(all.end(), m.bytes, m.bytes + m.size);
    return all;
}

// What the plug-in tells of a program made current: rebuild, name, number.
Bytes programShown(int program, const std::string& name) {
    return join({toUi::reload(), toUi::programName(program, name), toUi::currentProgram(program)});
}

// The editor's FIFOs connected, with the test in the editor program's place.
struct EditorFixture : PluginFixture {
    EditorFixture() {
        editor().connect();
        toPlugin = open(bridge::uiFifoPath(plugin->getInstanceNumber()).c_str(), O_WRONLY | O_NONBLOCK);
        fromPlugin = open(bridge::pluginFifoPath(plugin->getInstanceNumber()).c_str(), O_RDONLY | O_NONBLOCK);
        EXPECT_EQ(ask(Bytes{}), programShown(0, "Default"));  // the fixture's bank was loaded
    }
    ~EditorFixture() {
        close(toPlugin);
        close(fromPlugin);
    }
    Quaxel2Editor& editor() { return *plugin->getEditorBridge(); }
    // Writes a request as one read will see it, lets the editor poll once,
    // waits for the loads it asked for, and returns what it answered.
    Bytes ask(const Bytes& request) {
        EXPECT_EQ(write(toPlugin, request.data(), request.size()), static_cast<ssize_t>(request.size()));
        editor().processMessageFromUI();
        // A load announces itself from its own thread; the next poll sends it.
        plugin->editorRequests().finishLoads();
        editor().processMessageFromUI();
        Bytes answer(65536);
        const ssize_t got = read(fromPlugin, answer.data(), answer.size());
        answer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return answer;
    }
    Bytes ask(const UiMessage& request) { return ask(bytesOf(request)); }
    Instrument* at(int i) { return plugin->getRack(0)->getInstrumentAt(i); }

    int toPlugin = -1, fromPlugin = -1;
};

TEST(EditorRequests, EachRequestReachesThePlugin) {
    EditorFixture f;
    Instrument* first = f.addInstrument(constant(5000, 0.5f));

    EXPECT_EQ(f.ask(fromUi::parameter(0, 0.25f)), Bytes{});  // not echoed while the editor is closed
    EXPECT_EQ(first->getParameter(Instrument::kVolume), 0.25f);

    const std::string bell = internalInstrumentName[13];
    EXPECT_EQ(f.ask(fromUi::loadString(bell)), bytesOf(toUi::instrumentAdded(1, bell)));
    ASSERT_EQ(f.plugin->getRack(0)->getCount(), 2);
    const std::string sound = kEmbeddedResources[0].name;
    const Bytes added = f.ask(fromUi::loadPath(sound));
    ASSERT_NE(f.at(2), nullptr);
    EXPECT_EQ(added, bytesOf(toUi::instrumentAdded(2, f.at(2)->name)));
    EXPECT_EQ(f.ask(fromUi::loadPath("/no/such/file.wav")), Bytes{});
    EXPECT_EQ(f.plugin->getRack(0)->getCount(), 3);

    f.at(1)->setParameter(Instrument::kPan, 0.1f);
    EXPECT_EQ(f.ask(fromUi::copyParameters(1, 0)), Bytes{});
    EXPECT_EQ(first->getParameter(Instrument::kPan), 0.1f);
    EXPECT_EQ(f.ask(fromUi::resetParameters(0)), Bytes{});
    EXPECT_EQ(first->getParameter(Instrument::kPan), 0.5f);
    EXPECT_EQ(first->getParameter(Instrument::kVolume), 1.0f);

    f.at(1)->setParameter(Instrument::kTune, 0.75f);
    EXPECT_EQ(f.ask(fromUi::clone(1)), bytesOf(toUi::instrumentAdded(3, bell)));
    EXPECT_EQ(f.at(3)->getParameter(Instrument::kTune), 0.75f);

    auto& record = *reinterpret_cast<SampleData*>(f.plugin->getSampleRegion());
    record.waveformReady = 0;
    EXPECT_EQ(f.ask(fromUi::showWaveform(0)), bytesOf(toUi::waveformReady()));
    EXPECT_EQ(record.waveformReady, 1);
    EXPECT_EQ(record.length, 5000);
    EXPECT_EQ(f.ask(fromUi::refreshPeaks()), bytesOf(toUi::waveformReady()));
    // Ids that name no instrument: nothing happens, the waveform answer still comes.
    EXPECT_EQ(f.ask(fromUi::showWaveform(99)), bytesOf(toUi::waveformReady()));
    EXPECT_EQ(f.ask(fromUi::resetParameters(99)), Bytes{});
    EXPECT_EQ(f.ask(fromUi::clone(-4)), Bytes{});
    EXPECT_EQ(f.plugin->getRack(0)->getCount(), 4);
}

// A pick and a rename from the window act as a host's would, and the host
// is told to read the names again; the window hears of every change of
// program or name, whoever made it.
TEST(EditorRequests, ProgramsPickedRenamedAndListed) {
    EditorFixture f;
    Quaxel2& plugin = *f.plugin;
    const int updates = PluginFixture::displayUpdates;
    EXPECT_EQ(f.ask(fromUi::selectProgram(3)), programShown(3, "Default"));
    EXPECT_EQ(plugin.getProgram(), 3);
    EXPECT_EQ(PluginFixture::displayUpdates, updates + 1);
    for (int outside : {-1, 128}) EXPECT_EQ(f.ask(fromUi::selectProgram(outside)), Bytes{}) << outside;

    struct Rename {
        int program;
        std::string name;
        std::string stored;  // "" when refused
    };
    const Rename renames[] = {
        {3, "Warm Strings", "Warm Strings"},
        {3, std::string(30, 'x'), std::string(24, 'x')},  // a host's buffer holds 24
        {3, std::string("Cut\0here", 8), "Cut"},
        {5, "Not current", ""},  // the host changed the program meanwhile
    };
    for (const Rename& r : renames) {
        const int before = PluginFixture::displayUpdates;
        EXPECT_EQ(f.ask(fromUi::renameProgram(r.program, r.name)),
                  r.stored.empty() ? Bytes{} : bytesOf(toUi::programName(r.program, r.stored)))
            << r.name;
        EXPECT_EQ(PluginFixture::displayUpdates, before + (r.stored.empty() ? 0 : 1)) << r.name;
    }
    char name[64] = {};
    plugin.getProgramName(name);
    EXPECT_STREQ(name, "Cut");
    plugin.getProgramNameIndexed(0, 5, name);
    EXPECT_STREQ(name, "Default");

    // The host's program change, rename and program chunk.
    plugin.setProgram(7);
    EXPECT_EQ(f.ask(Bytes{}), programShown(7, "Default"));
    char hostName[] = "Host Named";
    plugin.setProgramName(hostName);
    EXPECT_EQ(f.ask(Bytes{}), bytesOf(toUi::programName(7, "Host Named")));
    void* chunk = nullptr;
    const VstInt32 size = plugin.getChunk(&chunk, true);
    const std::vector<unsigned char> preset(static_cast<unsigned char*>(chunk), static_cast<unsigned char*>(chunk) + size);
    ASSERT_EQ(plugin.setChunk(const_cast<unsigned char*>(preset.data()), size, true), 1);
    EXPECT_EQ(f.ask(Bytes{}), programShown(7, "Host Named"));

    // Asked for, every name and the current program.
    Bytes all;
    for (int program = 0; program < Quaxel2::kNumPrograms; program++) {
        char indexed[64] = {};
        plugin.getProgramNameIndexed(0, program, indexed);
        const Bytes one = bytesOf(toUi::programName(program, indexed));
        all.insert(all.end(), one.begin(), one.end());
    }
    const Bytes current = bytesOf(toUi::currentProgram(7));
    all.insert(all.end(), current.begin(), current.end());
    EXPECT_EQ(f.ask(fromUi::programsWanted()), all);
}

// The program's size reaches the host's window at its next idle call, on
// the host's editor thread, once per change; the rectangle follows at once.
TEST(EditorRequests, TheWindowSizeReachesTheHost) {
    EditorFixture f;
    using Size = std::pair<int, int>;
    auto rectangle = [&f] {
        ERect* rect = nullptr;
        EXPECT_TRUE(f.editor().getRect(&rect));
        return Size{rect->right - rect->left, rect->bottom - rect->top};
    };
    EXPECT_EQ(rectangle(), Size(820, 505));
    const struct {
        int percent;
        Size rect;
        std::vector<Size> asked;  // of the host at the next idle
    } steps[] = {
        {200, {1640, 1010}, {{1640, 1010}}},
        {200, {1640, 1010}, {}},  // told again: nothing changes
        {175, {1640, 1010}, {}},  // not a size of the window
        {150, {1230, 758}, {{1230, 758}}},
        {100, {820, 505}, {{820, 505}}},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(f.ask(fromUi::windowScale(step.percent)), Bytes{}) << step.percent;
        EXPECT_EQ(rectangle(), step.rect) << step.percent;
        PluginFixture::windowSizes.clear();
        f.editor().idle();
        f.editor().idle();
        EXPECT_EQ(PluginFixture::windowSizes, step.asked) << step.percent;
    }
}

// The worked examples: a note and a peak refresh in one read; a note off;
// a status the keyboard does not send; an invalid opcode that ends its read.
TEST(EditorRequests, NotesFromTheKeyboardAndInvalidOpcodes) {
    EditorFixture f;
    f.addInstrument(constant(5000, 0.5f));
    EXPECT_EQ(f.ask(Bytes{0x04, 0x90, 0x3C, 0x64, 0x11}), Bytes{0x10});
    Voice* voice = f.plugin->getNoteTableEntry(60, Quaxel2::kEditorColumn);
    ASSERT_NE(voice, nullptr);
    EXPECT_EQ(voice->velocity, 100);
    f.ask(Bytes{0x04, 0xB0, 0x3C, 0x64});  // a controller: nothing
    EXPECT_FALSE(voice->released);
    f.ask(Bytes{0x04, 0x80, 0x3C, 0x00});
    EXPECT_TRUE(voice->released);

    testing::internal::CaptureStdout();
    EXPECT_EQ(f.ask(Bytes{0x05, 0x04, 0x90, 0x40, 0x64, 0x11}), Bytes{});  // nothing after it runs
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Quaxel2VST > processMessageFromUI : unhandled opcode 5\n");
    EXPECT_EQ(f.plugin->getNoteTableEntry(64, Quaxel2::kEditorColumn), nullptr);
    testing::internal::CaptureStdout();
    f.ask(Bytes{0x90});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Quaxel2VST > processMessageFromUI : unhandled opcode ffffff90\n");
}

// While the editor is closed nothing of the host's is queued for the
// program, however much comes: no poll would empty the queue. (What it is
// told while open and at each open, the e2e tests see.)
TEST(EditorRequests, HostNotesAndParametersAreNotQueuedWhileClosed) {
    EditorFixture f;
    f.addInstrument(constant(5000, 0.5f));
    for (int i = 0; i < 20000; i++) f.midi(0x90 | (i & 15), i & 127, i & 1 ? 100 : 0);
    f.midi(0xB0, 123, 0);
    f.plugin->setParameter(3, 0.5f);
    EXPECT_EQ(f.ask(Bytes{}), Bytes{});
    EXPECT_EQ(bytesOf(toUi::midi(144, 60, 100)), (Bytes{0x04, 0x90, 0x3C, 0x64}));
}

// A sample file decodes without the structure lock: the host saves and
// changes the program meanwhile, and the instrument joins the rack that is
// current when it is done, announced with the id it has there.
struct LoadInProgress {
    // Runs on the loading thread once the loader has opened the file.
    static void whileOpen(const std::string&) {
        RegularFile::afterOpen = nullptr;
        host = std::async(std::launch::async, [] {
            void* chunk = nullptr;
            plugin->getChunk(&chunk, false);
            plugin->setProgram(0);
        });
        // Only a lock held across the decoding keeps them waiting; then the
        // test fails after this wait, and the load goes on and lets them go.
        hostWasServed = host.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    }
    static inline Quaxel2* plugin = nullptr;
    static inline std::future<void> host;  // waited for once the load is done
    static inline bool hostWasServed = false;
};

TEST(EditorRequests, LoadingAFileLetsTheHostSaveAndChangePrograms) {
    EditorFixture f;
    char folder[] = "/tmp/quaxel2-load-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/loop.wav";
    std::ofstream(path, std::ios::binary) << std::string(reinterpret_cast<const char*>(kEmbeddedResources[0].data),
                                                         static_cast<std::size_t>(kEmbeddedResources[0].size));
    // Program 0 keeps two instruments; program 1 of the blank bank has none.
    f.plugin->createInstrumentFromString(internalInstrumentName[13]);
    f.plugin->createInstrumentFromString(internalInstrumentName[4]);
    f.plugin->setProgram(1);
    ASSERT_EQ(f.plugin->getRack(0)->getCount(), 0);
    f.ask(Bytes{});

    LoadInProgress::plugin = f.plugin.get();
    RegularFile::afterOpen = &LoadInProgress::whileOpen;
    const Bytes answer = f.ask(fromUi::loadPath(path));
    RegularFile::afterOpen = nullptr;
    LoadInProgress::host.get();
    EXPECT_TRUE(LoadInProgress::hostWasServed) << "getChunk and setProgram waited for the file to decode";
    ASSERT_EQ(f.plugin->getRack(0)->getCount(), 3);
    EXPECT_EQ(f.at(2)->path, path);
    Bytes expected = programShown(0, "Default");
    const Bytes added = bytesOf(toUi::instrumentAdded(2, f.at(2)->name));
    expected.insert(expected.end(), added.begin(), added.end());
    EXPECT_EQ(answer, expected);
    unlink(path.c_str());
    rmdir(folder);
}

// A file that takes long to decode: the poll that asked for it is over
// before the decoding, so closing the editor never waits for it either.
struct HeldLoad {
    static void whileOpen(const std::string&) {
        RegularFile::afterOpen = nullptr;
        released.get_future().wait();
    }
    static inline std::promise<void> released;
};

// A load and a clone of a file instrument both decode on the loads' thread;
// the clone takes the values and markers its original had when asked for.
TEST(EditorRequests, APollDoesNotWaitForALoad) {
    char folder[] = "/tmp/quaxel2-held-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/held.wav";
    std::ofstream(path, std::ios::binary) << std::string(reinterpret_cast<const char*>(kEmbeddedResources[0].data),
                                                         static_cast<std::size_t>(kEmbeddedResources[0].size));
    for (const bool clone : {false, true}) {
        EditorFixture f;
        if (clone) {
            Instrument* original = f.plugin->createInstrumentFromPath(path);
            ASSERT_NE(original, nullptr);
            f.plugin->setParameter(Instrument::kVolume, 0.25f);
            f.plugin->setParameter(parameter_map::markerIndex(0, parameter_map::marker::kStart), 0.5f);  // its start marker
        }
        HeldLoad::released = {};
        RegularFile::afterOpen = &HeldLoad::whileOpen;
        const Bytes request = bytesOf(clone ? fromUi::clone(0) : fromUi::loadPath(path));
        ASSERT_EQ(write(f.toPlugin, request.data(), request.size()), static_cast<ssize_t>(request.size()));
        auto poll = std::async(std::launch::async, [&] { f.editor().processMessageFromUI(); });
        const bool pollEnded = poll.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        HeldLoad::released.set_value();
        poll.get();
        EXPECT_TRUE(pollEnded) << (clone ? "a clone" : "a load") << ": the poll waited for the file to decode";
        f.plugin->editorRequests().finishLoads();
        const int made = clone ? 1 : 0;
        ASSERT_EQ(f.plugin->getRack(0)->getCount(), made + 1);
        EXPECT_EQ(f.at(made)->path, path);
        if (clone) {
            EXPECT_EQ(f.at(1)->getParameter(Instrument::kVolume), 0.25f);
            EXPECT_EQ(f.at(1)->getSample(0, -1, -1)->startPlay, f.at(0)->getSample(0, -1, -1)->startPlay);
            EXPECT_GT(f.at(1)->getSample(0, -1, -1)->startPlay, 0);
        }
    }
    unlink(path.c_str());
    rmdir(folder);
}

}  // namespace

// The sample record follows the instrument on show and no other: a new
// instrument, and marker automation of one not on show, leave it as it was.
TEST(EditorRequests, OnlyTheInstrumentOnShowWritesTheSampleRecord) {
    EditorFixture f;
    f.addInstrument(constant(5000, 0.5f));
    f.addInstrument(constant(3000, 0.25f));
    auto& record = *reinterpret_cast<SampleData*>(f.plugin->getSampleRegion());
    const auto startOf = [](int id) { return parameter_map::markerIndex(id, parameter_map::marker::kStart); };

    f.ask(fromUi::showWaveform(0));
    EXPECT_EQ(record.length, 5000);
    f.ask(fromUi::loadString(internalInstrumentName[13]));
    EXPECT_EQ(record.length, 5000);
    f.plugin->setParameter(startOf(1), 0.5f);
    EXPECT_EQ(record.startPlay, 0);
    f.plugin->setParameter(startOf(0), 0.5f);
    EXPECT_EQ(record.startPlay, 2500);

    f.ask(fromUi::showWaveform(1));
    EXPECT_EQ(record.length, 3000);
    EXPECT_EQ(record.startPlay, 1500);
    f.plugin->setParameter(startOf(0), 0.25f);
    EXPECT_EQ(record.startPlay, 1500);
}
