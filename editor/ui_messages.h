// The messages between the plug-in and its editor program, and the one
// encoder of each direction. A message is an opcode byte and a layout fixed
// by the opcode: int32 and float32 fields in little-endian order, and texts
// as an int32 length, the bytes and one zero byte. There is no framing; the
// receiver knows each length from the opcode and the text length.
#pragma once

#include <cstdint>
#include <string_view>

#include "contract/message_opcodes.h"

// One encoded message, to be written with a single write() call. Its bound
// is the pipe's atomic write size (PIPE_BUF on Linux), so that the message
// reaches the pipe whole or not at all and never mixes with another.
struct UiMessage {
    static constexpr int kMaxSize = 4096;
    int size = 0;  // 0: nothing to send, the text would not fit
    unsigned char bytes[kMaxSize];

    bool empty() const { return size == 0; }
};

namespace toUi {
UiMessage parameter(int32_t index, float value);
UiMessage instrumentAdded(int32_t id, std::string_view name);
// Sends the low byte of each value.
UiMessage midi(int status, int data1, int data2);
UiMessage reload();
UiMessage reattach(std::string_view window);
UiMessage quit();
UiMessage waveformReady();
UiMessage programName(int32_t program, std::string_view name);
UiMessage currentProgram(int32_t program);
// The largest absolute sample of each output since the last one.
UiMessage outputLevel(float left, float right);
}  // namespace toUi

namespace fromUi {
UiMessage parameter(int32_t index, float value);
UiMessage loadString(std::string_view text);
UiMessage loadPath(std::string_view path);
UiMessage midi(int status, int note, int velocity);
UiMessage resetParameters(int32_t id);
UiMessage copyParameters(int32_t source, int32_t destination);
UiMessage clone(int32_t id);
UiMessage showWaveform(int32_t id);
UiMessage refreshPeaks();
UiMessage selectProgram(int32_t program);
UiMessage renameProgram(int32_t program, std::string_view name);
UiMessage programsWanted();
UiMessage windowScale(int32_t percent);
}  // namespace fromUi
