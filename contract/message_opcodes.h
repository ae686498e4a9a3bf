// The first byte of every message between the plug-in and its editor
// program; the layout after it is fixed by the opcode (editor/ui_messages.h
// encodes and editor/ui_decoder.h decodes them).
#pragma once

#include <cstdint>

// Plug-in to editor program, on the plugin FIFO.
enum ToUiOpcode : uint8_t {
    toUiParameter = 1,        // index, value
    toUiInstrumentAdded = 2,  // id, name
    toUiMidi = 4,             // status, data1, data2
    toUiReload = 5,
    toUiReattach = 6,  // window handle in decimal
    toUiQuit = 7,      // one zero byte
    toUiWaveformReady = 16,
    toUiProgramName = 20,     // program index, name
    toUiCurrentProgram = 21,  // program index
    toUiOutputLevel = 22,     // left peak, right peak
};

// Editor program to plug-in, on the UI FIFO. Every other opcode is invalid.
enum FromUiOpcode : uint8_t {
    fromUiParameter = 1,   // index, value
    fromUiLoadString = 2,  // catalogue text
    fromUiLoadPath = 3,    // file path
    fromUiMidi = 4,        // status, note, velocity
    fromUiResetParameters = 10,
    fromUiCopyParameters = 11,  // source id, destination id
    fromUiClone = 12,
    fromUiShowWaveform = 16,
    fromUiRefreshPeaks = 17,
    fromUiSelectProgram = 20,   // program index
    fromUiRenameProgram = 21,   // program index, name
    fromUiProgramsWanted = 22,  // answered with every name and the current program
    fromUiWindowScale = 23,     // the window's size in percent (contract/window_size.h)
};
