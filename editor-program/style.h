// The editor's look: one dark palette and the sizes every widget shares, so
// that the window reads as one piece at its fixed 820 x 505 pixels.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

namespace style {

inline const QColor kBackground{0x1e, 0x20, 0x24};
inline const QColor kPanel{0x2a, 0x2d, 0x33};
inline const QColor kPanelEdge{0x3a, 0x3e, 0x46};
inline const QColor kText{0xdd, 0xe1, 0xe6};
inline const QColor kDimText{0x9a, 0xa1, 0xab};  // labels: at least 4.5:1 on kPanel and kBackground
inline const QColor kAccent{0xf0, 0xa0, 0x30};     // values, lit keys, the waveform
inline const QColor kAccentDim{0x80, 0x58, 0x20};
inline const QColor kMeterLow{0x4c, 0xc0, 0x5a};
inline const QColor kMeterHigh{0xe0, 0x40, 0x38};
inline const QColor kLoopMarker{0x40, 0xa8, 0xe8};
inline const QColor kStartMarker{0x60, 0xd0, 0x70};

constexpr int kFontPixels = 10;  // labels and values
constexpr int kKnobSize = 26;    // diameter of a knob's dial

// A panel: `rect` filled, with a one-pixel edge inside it.
inline void paintPanel(QPainter& painter, const QRect& rect, const QColor& fill = kPanel,
                       const QColor& edge = kPanelEdge) {
    painter.fillRect(rect, fill);
    painter.setPen(edge);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

}  // namespace style
