// Fuzzes one direction's decoder (FUZZ_FROM_UI: the plug-in's, otherwise
// the editor program's). Input: a byte for the pipe capacity, a byte for
// the read sizes, then the stream. The stream is decoded whole and cut into
// reads; where no message was rejected, both give the same messages.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/ui_decoder.h"

namespace {

struct Log {
    std::vector<std::string> events;
    bool rejected = false;

    void add(const char* kind, int64_t a = 0, int64_t b = 0, std::string_view text = {}) {
        events.push_back(std::string(kind) + " " + std::to_string(a) + " " + std::to_string(b) + " " + std::string(text));
    }
    void unhandled(uint8_t opcode) {
        rejected = true;
        add("unhandled", opcode);
    }
};

int32_t bitsOf(float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

#ifdef FUZZ_FROM_UI
struct Recorder : FromUiHandler, Log {
    void parameter(int32_t index, float value) override { add("parameter", index, bitsOf(value)); }
    void loadString(std::string_view text) override { add("string", 0, 0, text); }
    void loadPath(std::string_view path) override { add("path", 0, 0, path); }
    void midi(uint8_t status, uint8_t note, uint8_t velocity) override { add("midi", status, note * 256 + velocity); }
    void resetParameters(int32_t id) override { add("reset", id); }
    void copyParameters(int32_t from, int32_t to) override { add("copy", from, to); }
    void clone(int32_t id) override { add("clone", id); }
    void showWaveform(int32_t id) override { add("show", id); }
    void refreshPeaks() override { add("refresh"); }
    void selectProgram(int32_t program) override { add("select", program); }
    void renameProgram(int32_t program, std::string_view name) override { add("rename", program, 0, name); }
    void programsWanted() override { add("programs wanted"); }
    void windowScale(int32_t percent) override { add("window scale", percent); }
    void unhandled(uint8_t opcode) override { Log::unhandled(opcode); }
};
using Decoder = FromUiDecoder;
#else
struct Recorder : ToUiHandler, Log {
    void parameter(int32_t index, float value) override { add("parameter", index, bitsOf(value)); }
    void instrumentAdded(int32_t id, std::string_view name) override { add("added", id, 0, name); }
    void midi(uint8_t status, uint8_t a, uint8_t b) override { add("midi", status, a * 256 + b); }
    void reload() override { add("reload"); }
    void reattach(std::string_view window) override { add("reattach", 0, 0, window); }
    void quit() override { add("quit"); }
    void waveformReady() override { add("waveform"); }
    void programName(int32_t program, std::string_view name) override { add("name", program, 0, name); }
    void currentProgram(int32_t program) override { add("program", program); }
    void outputLevel(float left, float right) override { add("level", bitsOf(left), bitsOf(right)); }
    void unhandled(uint8_t opcode) override { Log::unhandled(opcode); }
};
using Decoder = ToUiDecoder;
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int readSize = data[0] * 4;  // 0 to 1020: small enough for texts to reach it
    const unsigned pattern = data[1];
    data += 2;
    size -= 2;
    // Each read is copied into a buffer of its own size, so that the sanitizer
    // sees any byte read past its end.
    std::vector<std::vector<unsigned char>> reads;
    for (std::size_t at = 0, k = 0; at < size; k++) {
        const std::size_t length = std::min<std::size_t>(size - at, 1 + (pattern * (k + 7)) % 37);
        reads.emplace_back(data + at, data + at + length);
        at += length;
    }

    Recorder whole, pieces;
    Decoder wholeDecoder(readSize, whole), piecesDecoder(readSize, pieces);
    const std::vector<unsigned char> all(data, data + size);
    wholeDecoder.feed(all.data(), all.size());
    for (const auto& read : reads) piecesDecoder.feed(read.data(), read.size());
    if (!whole.rejected && !pieces.rejected && whole.events != pieces.events) std::abort();
    return 0;
}
