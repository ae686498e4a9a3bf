// Where everything sits in the fixed 820 x 505 window. Tests that click on
// the real window (under Xvfb) take their coordinates from here too.
#pragma once

#include <QRect>

#include "contract/parameter_map.h"
#include "contract/window_size.h"

namespace layout {

// At 100 %; the program draws everything larger at the larger sizes.
constexpr int kWidth = window_size::kWidth;
constexpr int kHeight = window_size::kHeight;

// Top strip: logo, the four master values, the delay's eight parameters.
constexpr QRect kLogo{0, 0, 140, 52};
constexpr QRect kGlobalView{140, 0, 200, 52};
constexpr QRect kDelayView{340, 0, 480, 52};

// Under it, the program line: the current program, its neighbours, the
// menu of all programs, and the output meter.
constexpr QRect kProgramStrip{0, 52, 820, 24};
// Inside it (relative to it): the two steps, the name, the menu, the meter.
constexpr QRect kProgramPrevious{6, 2, 20, 20};
constexpr QRect kProgramNext{28, 2, 20, 20};
constexpr QRect kProgramName{52, 2, 240, 20};
constexpr QRect kProgramMenu{292, 2, 20, 20};
constexpr QRect kOutputMeter{620, 4, 194, 16};  // left above right

// Middle: the browser on the left, the instruments (a drop area) beside it.
constexpr QRect kBrowser{0, 76, 170, 269};
constexpr QRect kInstrumentArea{170, 76, 650, 269};
constexpr int kInstrumentRowHeight = 58;

// Lower strip: waveform with its scroll bar, envelope picture, status texts.
constexpr QRect kWaveformDisplay{0, 345, 420, 95};
constexpr QRect kVisualizer{420, 345, 200, 95};
constexpr QRect kStatusBar{620, 345, 200, 95};

// Bottom: five octaves of keys from C2 (MIDI 36).
constexpr QRect kKeyboard{0, 440, 820, 65};
constexpr int kKeyboardLowestNote = 36;
constexpr int kKeyboardWhiteKeys = 35;

// Inside an instrument's row (relative to the row): name and meter on the
// left, then the controls. Two lines of controls, 34 px apart.
constexpr int kRowNameWidth = 112;
constexpr int kRowControlWidth = 37;
constexpr int kRowControlHeight = 28;

// The cell of parameter p's control within a row: the first line holds
// volume, pan, tune, finetune, the loop / reverse / interpolate / grain
// switches and the grain advance; the second the envelopes and the editor's
// own switches.
constexpr QRect instrumentControlRect(int parameter) {
    // Column of each parameter on its line, and the line (0 or 1).
    constexpr int column[parameter_map::kPerInstrument] = {0, 1, 2, 3, 9, 4, 10, 11, 12, 13, 0, 1, 2, 3, 5, 6, 7, 8, 5, 6, 7, 8};
    constexpr int line[parameter_map::kPerInstrument] = {0, 0, 0, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0};
    if (parameter < 0 || parameter >= parameter_map::kPerInstrument) return {};
    return {kRowNameWidth + column[parameter] * kRowControlWidth, 1 + line[parameter] * kRowControlHeight,
            kRowControlWidth, kRowControlHeight};
}

}  // namespace layout
