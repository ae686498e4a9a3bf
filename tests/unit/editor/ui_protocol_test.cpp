// The messages between the plug-in and the editor program: their bytes, and
// how the decoders walk reads of any size into them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/ui_decoder.h"
#include "editor/ui_messages.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const UiMessage& m) { return Bytes(m.bytes, m.bytes + m.size); }

Bytes join(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string text(std::string_view view) { return std::string(view); }

struct ToUiRecorder : ToUiHandler {
    std::vector<std::string> events;
    void parameter(int32_t index, float value) override {
        events.push_back("parameter " + std::to_string(index) + " " + std::to_string(value));
    }
    void instrumentAdded(int32_t id, std::string_view name) override {
        events.push_back("added " + std::to_string(id) + " " + text(name));
    }
    void midi(uint8_t status, uint8_t a, uint8_t b) override {
        events.push_back("midi " + std::to_string(status) + " " + std::to_string(a) + " " + std::to_string(b));
    }
    void reload() override { events.push_back("reload"); }
    void reattach(std::string_view window) override { events.push_back("reattach " + text(window)); }
    void quit() override { events.push_back("quit"); }
    void waveformReady() override { events.push_back("waveform ready"); }
    void programName(int32_t program, std::string_view name) override {
        events.push_back("program " + std::to_string(program) + " named " + text(name));
    }
    void currentProgram(int32_t program) override { events.push_back("program " + std::to_string(program)); }
    void outputLevel(float left, float right) override {
        events.push_back("level " + std::to_string(left) + " " + std::to_string(right));
    }
    void unhandled(uint8_t opcode) override { events.push_back("unhandled " + std::to_string(opcode)); }
};

struct FromUiRecorder : FromUiHandler {
    std::vector<std::string> events;
    void parameter(int32_t index, float value) override {
        events.push_back("parameter " + std::to_string(index) + " " + std::to_string(value));
    }
    void loadString(std::string_view t) override { events.push_back("load string " + text(t)); }
    void loadPath(std::string_view path) override { events.push_back("load path " + text(path)); }
    void midi(uint8_t status, uint8_t note, uint8_t velocity) override {
        events.push_back("midi " + std::to_string(status) + " " + std::to_string(note) + " " + std::to_string(velocity));
    }
    void resetParameters(int32_t id) override { events.push_back("reset " + std::to_string(id)); }
    void copyParameters(int32_t from, int32_t to) override {
        events.push_back("copy " + std::to_string(from) + " " + std::to_string(to));
    }
    void clone(int32_t id) override { events.push_back("clone " + std::to_string(id)); }
    void showWaveform(int32_t id) override { events.push_back("show " + std::to_string(id)); }
    void refreshPeaks() override { events.push_back("refresh"); }
    void selectProgram(int32_t program) override { events.push_back("select " + std::to_string(program)); }
    void renameProgram(int32_t program, std::string_view name) override {
        events.push_back("rename " + std::to_string(program) + " " + text(name));
    }
    void programsWanted() override { events.push_back("programs wanted"); }
    void windowScale(int32_t percent) override { events.push_back("window scale " + std::to_string(percent)); }
    void unhandled(uint8_t opcode) override { events.push_back("unhandled " + std::to_string(opcode)); }
};

// A pipe capacity small enough that texts reach it in the tests.
constexpr int kReadSize = 64;

template <typename Decoder, typename Recorder>
std::vector<std::string> decode(const std::vector<Bytes>& reads) {
    Recorder recorder;
    Decoder decoder(kReadSize, recorder);
    for (const Bytes& read : reads) decoder.feed(read.data(), read.size());
    return recorder.events;
}

std::vector<std::string> decodeToUi(const std::vector<Bytes>& reads) {
    return decode<ToUiDecoder, ToUiRecorder>(reads);
}
std::vector<std::string> decodeFromUi(const std::vector<Bytes>& reads) {
    return decode<FromUiDecoder, FromUiRecorder>(reads);
}

// The same stream cut into reads of `size` bytes.
std::vector<Bytes> inReadsOf(const Bytes& stream, std::size_t size) {
    std::vector<Bytes> reads;
    for (std::size_t at = 0; at < stream.size(); at += size)
        reads.emplace_back(stream.begin() + at, stream.begin() + std::min(stream.size(), at + size));
    return reads;
}

TEST(UiMessages, BytesOfEveryMessage) {
    struct Case {
        const char* what;
        UiMessage message;
        Bytes expected;
    };
    const Case cases[] = {
        // Examples whose bytes are known by heart.
        {"parameter 3 = 0.5", toUi::parameter(3, 0.5f), {0x01, 0x03, 0, 0, 0, 0, 0, 0, 0x3F}},
        {"note on 60 velocity 100", toUi::midi(144, 60, 100), {0x04, 0x90, 0x3C, 0x64}},
        {"instrument 7 named abc", toUi::instrumentAdded(7, "abc"), {0x02, 7, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 0}},
        {"waveform ready", toUi::waveformReady(), {0x10}},
        // The rest of the plug-in's messages.
        {"negative index and value", toUi::parameter(-2, -1.0f), {0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0x80, 0xBF}},
        {"midi sends low bytes", toUi::midi(0x180, -1, 300), {0x04, 0x80, 0xFF, 0x2C}},
        {"reload", toUi::reload(), {0x05}},
        {"reattach to 255", toUi::reattach("255"), {0x06, 3, 0, 0, 0, '2', '5', '5', 0}},
        {"quit", toUi::quit(), {0x07, 0}},
        // The editor program's messages.
        {"editor parameter", fromUi::parameter(513, 1.0f), {0x01, 0x01, 0x02, 0, 0, 0, 0, 0x80, 0x3F}},
        {"editor note", fromUi::midi(144, 60, 100), {0x04, 0x90, 0x3C, 0x64}},
        {"load string", fromUi::loadString("ab"), {0x02, 2, 0, 0, 0, 'a', 'b', 0}},
        {"load path", fromUi::loadPath("/a"), {0x03, 2, 0, 0, 0, '/', 'a', 0}},
        {"empty path", fromUi::loadPath(""), {0x03, 0, 0, 0, 0, 0}},
        {"reset", fromUi::resetParameters(7), {0x0A, 7, 0, 0, 0}},
        {"copy", fromUi::copyParameters(1, 258), {0x0B, 1, 0, 0, 0, 2, 1, 0, 0}},
        {"clone", fromUi::clone(7), {0x0C, 7, 0, 0, 0}},
        {"show waveform", fromUi::showWaveform(-1), {0x10, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"refresh peaks", fromUi::refreshPeaks(), {0x11}},
        // Programs and the output level.
        {"program 5 named Pad", toUi::programName(5, "Pad"), {0x14, 5, 0, 0, 0, 3, 0, 0, 0, 'P', 'a', 'd', 0}},
        {"current program 127", toUi::currentProgram(127), {0x15, 0x7F, 0, 0, 0}},
        {"output level 0.5, 1", toUi::outputLevel(0.5f, 1.0f), {0x16, 0, 0, 0, 0x3F, 0, 0, 0x80, 0x3F}},
        {"select program 2", fromUi::selectProgram(2), {0x14, 2, 0, 0, 0}},
        {"rename program 1 to Hi", fromUi::renameProgram(1, "Hi"), {0x15, 1, 0, 0, 0, 2, 0, 0, 0, 'H', 'i', 0}},
        {"programs wanted", fromUi::programsWanted(), {0x16}},
        {"window at 150 %", fromUi::windowScale(150), {0x17, 0x96, 0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(bytesOf(c.message), c.expected) << c.what;
}

TEST(UiMessages, TextsUpToThePipesAtomicWriteSize) {
    const std::size_t room = UiMessage::kMaxSize - 6;  // opcode, length, terminator
    EXPECT_EQ(toUi::reattach(std::string(room, '1')).size, UiMessage::kMaxSize);
    EXPECT_TRUE(toUi::reattach(std::string(room + 1, '1')).empty());
    EXPECT_EQ(fromUi::loadPath(std::string(room, 'p')).size, UiMessage::kMaxSize);
    EXPECT_TRUE(fromUi::loadPath(std::string(room + 1, 'p')).empty());
    EXPECT_EQ(toUi::instrumentAdded(1, std::string(room - 4, 'n')).size, UiMessage::kMaxSize);
    EXPECT_TRUE(toUi::instrumentAdded(1, std::string(room - 3, 'n')).empty());
}

TEST(UiDecoder, ANoteAndAPeakRefreshInOneRead) {
    EXPECT_EQ(decodeFromUi({{0x04, 0x90, 0x3C, 0x64, 0x11}}),
              (std::vector<std::string>{"midi 144 60 100", "refresh"}));
}

TEST(UiDecoder, EveryMessageSurvivesAnyCutBetweenReads) {
    const std::string longest(kReadSize, 'x');  // the longest text accepted
    const Bytes fromStream = join({bytesOf(fromUi::parameter(3, 0.5f)), bytesOf(fromUi::loadString("abc")),
                                   bytesOf(fromUi::loadPath(longest)), bytesOf(fromUi::midi(128, 60, 0)),
                                   bytesOf(fromUi::resetParameters(7)), bytesOf(fromUi::copyParameters(1, 2)),
                                   bytesOf(fromUi::clone(3)), bytesOf(fromUi::showWaveform(4)),
                                   bytesOf(fromUi::refreshPeaks()), bytesOf(fromUi::loadString("")),
                                   bytesOf(fromUi::selectProgram(9)), bytesOf(fromUi::renameProgram(3, longest)),
                                   bytesOf(fromUi::programsWanted()), bytesOf(fromUi::windowScale(200))});
    const std::vector<std::string> fromEvents = {
        "parameter 3 0.500000", "load string abc", "load path " + longest, "midi 128 60 0", "reset 7",
        "copy 1 2",             "clone 3",         "show 4",               "refresh",       "load string ",
        "select 9",             "rename 3 " + longest, "programs wanted", "window scale 200"};
    const Bytes toStream = join({bytesOf(toUi::parameter(600, 0.25f)), bytesOf(toUi::instrumentAdded(9, longest)),
                                 bytesOf(toUi::midi(144, 61, 1)), bytesOf(toUi::reload()),
                                 bytesOf(toUi::reattach("4242")), bytesOf(toUi::waveformReady()),
                                 bytesOf(toUi::programName(127, longest)), bytesOf(toUi::currentProgram(4)),
                                 bytesOf(toUi::outputLevel(0.25f, 0.5f)), bytesOf(toUi::quit())});
    const std::vector<std::string> toEvents = {"parameter 600 0.250000", "added 9 " + longest, "midi 144 61 1", "reload",
                                               "reattach 4242",          "waveform ready",     "program 127 named " + longest,
                                               "program 4",              "level 0.250000 0.500000", "quit"};
    for (std::size_t size = 1; size <= fromStream.size(); size++)
        ASSERT_EQ(decodeFromUi(inReadsOf(fromStream, size)), fromEvents) << "reads of " << size;
    for (std::size_t size = 1; size <= toStream.size(); size++)
        ASSERT_EQ(decodeToUi(inReadsOf(toStream, size)), toEvents) << "reads of " << size;
}

TEST(UiDecoder, TextsAreTakenByTheirLengthAlone) {
    // Zero bytes inside the text, and a terminator that is not zero.
    EXPECT_EQ(decodeFromUi({{0x03, 3, 0, 0, 0, 'a', 0, 'b', 0xFF, 0x11}}),
              (std::vector<std::string>{std::string("load path a\0b", 13), "refresh"}));
}

TEST(UiDecoder, AnInvalidOpcodeDropsTheRestOfItsReadOnly) {
    // Every opcode the editor program may not send.
    for (int opcode = 0; opcode < 256; opcode++) {
        const bool valid = opcode <= 4 || (opcode >= 10 && opcode <= 12) || (opcode >= 16 && opcode <= 17) ||
                           (opcode >= 20 && opcode <= 23);
        if (valid) continue;
        const auto events = decodeFromUi({{0x11, static_cast<unsigned char>(opcode), 0x11, 0x04, 0x90, 0x3C, 0x64}, {0x11}});
        EXPECT_EQ(events, (std::vector<std::string>{"refresh", "unhandled " + std::to_string(opcode), "refresh"}))
            << opcode;
    }
    // The plug-in's side: 3, 8 to 15 and 17 to 19 are not among its messages.
    for (int opcode : {0, 3, 8, 15, 17, 19, 23, 255})
        EXPECT_EQ(decodeToUi({{static_cast<unsigned char>(opcode), 0x05}, {0x05}}),
                  (std::vector<std::string>{"unhandled " + std::to_string(opcode), "reload"}))
            << opcode;
}

TEST(UiDecoder, ATextLengthOutOfBoundsDropsTheReadAndTheCarriedBytes) {
    const std::vector<std::string> rejected = {"refresh", "unhandled 2", "refresh"};
    struct Case {
        const char* what;
        std::vector<Bytes> reads;
    };
    const Case cases[] = {
        {"negative", {{0x11, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0x11}, {0x11}}},
        {"one above the pipe's capacity", {{0x11, 0x02, kReadSize + 1, 0, 0, 0, 0x11}, {0x11}}},
        {"found while completing a carried message", {{0x11, 0x02, 0x00}, {0x00, 0x00, 0x80, 0x11}, {0x11}}},
    };
    for (const Case& c : cases) EXPECT_EQ(decodeFromUi(c.reads), rejected) << c.what;
}

TEST(UiDecoder, NothingAfterQuit) {
    EXPECT_EQ(decodeToUi({{0x05, 0x07, 0x00, 0x05, 0x01}, {0x05}}), (std::vector<std::string>{"reload", "quit"}));
    // Cut after the opcode: the quit completes in the next read.
    EXPECT_EQ(decodeToUi({{0x07}, {0x00, 0x05}}), (std::vector<std::string>{"quit"}));
}

}  // namespace
