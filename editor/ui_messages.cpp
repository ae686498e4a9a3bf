#include "editor/ui_messages.h"

#include <cstring>

namespace {

// Appends fields to a message; a text that would overflow it leaves the
// message empty.
class MessageWriter {
public:
    MessageWriter(UiMessage& message, uint8_t opcode) : m(message) {
        m.bytes[0] = opcode;
        m.size = 1;
    }
    MessageWriter& byte(int value) {
        if (m.size > 0) m.bytes[m.size++] = static_cast<unsigned char>(value);
        return *this;
    }
    MessageWriter& int32(int32_t value) {
        const auto bits = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) byte(static_cast<int>((bits >> shift) & 0xff));
        return *this;
    }
    MessageWriter& float32(float value) {
        int32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return int32(bits);
    }
    MessageWriter& text(std::string_view text) {
        // length field, bytes, terminator
        if (m.size == 0 || text.size() > static_cast<std::size_t>(UiMessage::kMaxSize - m.size - 5)) {
            m.size = 0;
            return *this;
        }
        int32(static_cast<int32_t>(text.size()));
        std::memcpy(m.bytes + m.size, text.data(), text.size());
        m.size += static_cast<int>(text.size());
        return byte(0);
    }

private:
    UiMessage& m;
};

UiMessage opcodeOnly(uint8_t opcode) {
    UiMessage m;
    MessageWriter(m, opcode);
    return m;
}

UiMessage indexAndValue(uint8_t opcode, int32_t index, float value) {
    UiMessage m;
    MessageWriter(m, opcode).int32(index).float32(value);
    return m;
}

UiMessage threeBytes(uint8_t opcode, int a, int b, int c) {
    UiMessage m;
    MessageWriter(m, opcode).byte(a).byte(b).byte(c);
    return m;
}

UiMessage withText(uint8_t opcode, std::string_view text) {
    UiMessage m;
    MessageWriter(m, opcode).text(text);
    return m;
}

UiMessage withId(uint8_t opcode, int32_t first) {
    UiMessage m;
    MessageWriter(m, opcode).int32(first);
    return m;
}

}  // namespace

namespace toUi {
UiMessage parameter(int32_t index, float value) { return indexAndValue(toUiParameter, index, value); }
UiMessage instrumentAdded(int32_t id, std::string_view name) {
    UiMessage m;
    MessageWriter(m, toUiInstrumentAdded).int32(id).text(name);
    return m;
}
UiMessage midi(int status, int data1, int data2) { return threeBytes(toUiMidi, status, data1, data2); }
UiMessage reload() { return opcodeOnly(toUiReload); }
UiMessage reattach(std::string_view window) { return withText(toUiReattach, window); }
UiMessage quit() {
    UiMessage m;
    MessageWriter(m, toUiQuit).byte(0);
    return m;
}
UiMessage waveformReady() { return opcodeOnly(toUiWaveformReady); }
UiMessage programName(int32_t program, std::string_view name) {
    UiMessage m;
    MessageWriter(m, toUiProgramName).int32(program).text(name);
    return m;
}
UiMessage currentProgram(int32_t program) { return withId(toUiCurrentProgram, program); }
UiMessage outputLevel(float left, float right) {
    UiMessage m;
    MessageWriter(m, toUiOutputLevel).float32(left).float32(right);
    return m;
}
}  // namespace toUi

namespace fromUi {
UiMessage parameter(int32_t index, float value) { return indexAndValue(fromUiParameter, index, value); }
UiMessage loadString(std::string_view text) { return withText(fromUiLoadString, text); }
UiMessage loadPath(std::string_view path) { return withText(fromUiLoadPath, path); }
UiMessage midi(int status, int note, int velocity) { return threeBytes(fromUiMidi, status, note, velocity); }
UiMessage resetParameters(int32_t id) { return withId(fromUiResetParameters, id); }
UiMessage copyParameters(int32_t source, int32_t destination) {
    UiMessage m;
    MessageWriter(m, fromUiCopyParameters).int32(source).int32(destination);
    return m;
}
UiMessage clone(int32_t id) { return withId(fromUiClone, id); }
UiMessage showWaveform(int32_t id) { return withId(fromUiShowWaveform, id); }
UiMessage refreshPeaks() { return opcodeOnly(fromUiRefreshPeaks); }
UiMessage selectProgram(int32_t program) { return withId(fromUiSelectProgram, program); }
UiMessage renameProgram(int32_t program, std::string_view name) {
    UiMessage m;
    MessageWriter(m, fromUiRenameProgram).int32(program).text(name);
    return m;
}
UiMessage programsWanted() { return opcodeOnly(fromUiProgramsWanted); }
UiMessage windowScale(int32_t percent) { return withId(fromUiWindowScale, percent); }
}  // namespace fromUi
