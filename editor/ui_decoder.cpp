#include "editor/ui_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>

namespace {

using LayoutTable = std::array<MessageLayout, 256>;
struct LayoutEntry {
    uint8_t opcode;
    MessageLayout layout;  // size without text, where the text's length stands
};

// Opcodes not listed stay invalid.
constexpr LayoutTable layoutsOf(std::initializer_list<LayoutEntry> entries) {
    LayoutTable table{};
    for (const LayoutEntry& entry : entries) table[entry.opcode] = entry.layout;
    return table;
}

constexpr LayoutTable toUiLayouts = layoutsOf({
    {toUiParameter, {9, 0}},
    {toUiInstrumentAdded, {10, 5}},
    {toUiMidi, {4, 0}},
    {toUiReload, {1, 0}},
    {toUiReattach, {6, 1}},
    {toUiQuit, {2, 0}},
    {toUiWaveformReady, {1, 0}},
    {toUiProgramName, {10, 5}},
    {toUiCurrentProgram, {5, 0}},
    {toUiOutputLevel, {9, 0}},
});

constexpr LayoutTable fromUiLayouts = layoutsOf({
    {fromUiParameter, {9, 0}},
    {fromUiLoadString, {6, 1}},
    {fromUiLoadPath, {6, 1}},
    {fromUiMidi, {4, 0}},
    {fromUiResetParameters, {5, 0}},
    {fromUiCopyParameters, {9, 0}},
    {fromUiClone, {5, 0}},
    {fromUiShowWaveform, {5, 0}},
    {fromUiRefreshPeaks, {1, 0}},
    {fromUiSelectProgram, {5, 0}},
    {fromUiRenameProgram, {10, 5}},
    {fromUiProgramsWanted, {1, 0}},
    {fromUiWindowScale, {5, 0}},
});

// The longest part of any message that comes before its text, terminator included.
constexpr std::size_t kMaxFixedSize = 10;

int32_t int32At(const unsigned char* p) {
    const uint32_t bits = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    return static_cast<int32_t>(bits);
}

float float32At(const unsigned char* p) {
    const int32_t bits = int32At(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The text that follows the length field at `lengthOffset`.
std::string_view textAt(const unsigned char* message, int lengthOffset) {
    return {reinterpret_cast<const char*>(message + lengthOffset + 4),
            static_cast<std::size_t>(int32At(message + lengthOffset))};
}

}  // namespace

MessageFramer::MessageFramer(int readSize, const MessageLayout* layouts, Sink& sink)
    : maxText(static_cast<std::size_t>(std::max(readSize, 0))),
      layouts(layouts),
      sink(sink),
      carry(maxText + kMaxFixedSize) {}

MessageFramer::Scan MessageFramer::scan(const unsigned char* bytes, std::size_t count, std::size_t& needed) const {
    const MessageLayout& layout = layouts[bytes[0]];
    if (layout.fixedSize == 0) return Scan::invalid;
    needed = static_cast<std::size_t>(layout.fixedSize);
    if (layout.lengthOffset > 0) {
        const std::size_t header = static_cast<std::size_t>(layout.lengthOffset) + 4;
        if (count < header) {
            needed = header;
            return Scan::needMore;
        }
        const int32_t length = int32At(bytes + layout.lengthOffset);
        if (length < 0 || static_cast<std::size_t>(length) > maxText) return Scan::invalid;
        needed += static_cast<std::size_t>(length);
    }
    return count >= needed ? Scan::complete : Scan::needMore;
}

bool MessageFramer::completeCarried(const unsigned char* bytes, std::size_t count, std::size_t& used) {
    for (;;) {
        std::size_t needed = 0;
        const Scan state = scan(carry.data(), carried, needed);
        if (state == Scan::complete) return true;
        if (state == Scan::invalid) {
            carried = 0;
            used = count;
            sink.reject(carry[0]);
            return false;
        }
        const std::size_t take = std::min(needed - carried, count - used);
        std::memcpy(carry.data() + carried, bytes + used, take);
        carried += take;
        used += take;
        if (carried < needed) return false;
    }
}

void MessageFramer::feed(const unsigned char* bytes, std::size_t count) {
    std::size_t used = 0;
    if (carried > 0) {
        if (!completeCarried(bytes, count, used)) return;
        carried = 0;
        if (!sink.deliver(carry.data())) return;
    }
    while (used < count) {
        std::size_t needed = 0;
        switch (scan(bytes + used, count - used, needed)) {
        case Scan::invalid:
            sink.reject(bytes[used]);
            return;
        case Scan::needMore:
            // Fits: `needed` is bounded by the longest valid message.
            carried = count - used;
            std::memcpy(carry.data(), bytes + used, carried);
            return;
        case Scan::complete:
            if (!sink.deliver(bytes + used)) return;
            used += needed;
            break;
        }
    }
}

ToUiDecoder::ToUiDecoder(int readSize, ToUiHandler& handler)
    : handler(handler), framer(readSize, toUiLayouts.data(), *this) {}

void ToUiDecoder::feed(const unsigned char* bytes, std::size_t count) {
    if (!quit) framer.feed(bytes, count);
}

bool ToUiDecoder::deliver(const unsigned char* m) {
    switch (m[0]) {
    case toUiParameter: handler.parameter(int32At(m + 1), float32At(m + 5)); break;
    case toUiInstrumentAdded: handler.instrumentAdded(int32At(m + 1), textAt(m, 5)); break;
    case toUiMidi: handler.midi(m[1], m[2], m[3]); break;
    case toUiReload: handler.reload(); break;
    case toUiReattach: handler.reattach(textAt(m, 1)); break;
    case toUiQuit:
        quit = true;
        handler.quit();
        return false;
    case toUiWaveformReady: handler.waveformReady(); break;
    case toUiProgramName: handler.programName(int32At(m + 1), textAt(m, 5)); break;
    case toUiCurrentProgram: handler.currentProgram(int32At(m + 1)); break;
    case toUiOutputLevel: handler.outputLevel(float32At(m + 1), float32At(m + 5)); break;
    }
    return true;
}

FromUiDecoder::FromUiDecoder(int readSize, FromUiHandler& handler)
    : handler(handler), framer(readSize, fromUiLayouts.data(), *this) {}

bool FromUiDecoder::deliver(const unsigned char* m) {
    switch (m[0]) {
    case fromUiParameter: handler.parameter(int32At(m + 1), float32At(m + 5)); break;
    case fromUiLoadString: handler.loadString(textAt(m, 1)); break;
    case fromUiLoadPath: handler.loadPath(textAt(m, 1)); break;
    case fromUiMidi: handler.midi(m[1], m[2], m[3]); break;
    case fromUiResetParameters: handler.resetParameters(int32At(m + 1)); break;
    case fromUiCopyParameters: handler.copyParameters(int32At(m + 1), int32At(m + 5)); break;
    case fromUiClone: handler.clone(int32At(m + 1)); break;
    case fromUiShowWaveform: handler.showWaveform(int32At(m + 1)); break;
    case fromUiRefreshPeaks: handler.refreshPeaks(); break;
    case fromUiSelectProgram: handler.selectProgram(int32At(m + 1)); break;
    case fromUiRenameProgram: handler.renameProgram(int32At(m + 1), textAt(m, 5)); break;
    case fromUiProgramsWanted: handler.programsWanted(); break;
    case fromUiWindowScale: handler.windowScale(int32At(m + 1)); break;
    }
    return true;
}
