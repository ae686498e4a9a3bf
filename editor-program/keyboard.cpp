#include "editor-program/keyboard.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "editor-program/layout.h"
#include "editor-program/plugin_link.h"
#include "editor-program/style.h"

namespace {

constexpr int kFirst = layout::kKeyboardLowestNote;
static_assert(kFirst % 12 == 0, "the octave labels go on the keys of C");
constexpr int kWhiteKeys = layout::kKeyboardWhiteKeys;

// Per pitch class: the white key's index within the octave, or for a black
// key the index of the white key to its left; and whether it is black.
constexpr int kWhiteIndex[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
constexpr bool kBlack[12] = {false, true, false, true, false, false, true, false, true, false, true, false};

const QColor kWhiteKey{0xc4, 0xc8, 0xce};
const QColor kBlackKey{0x14, 0x15, 0x18};

// Left edge of white key `index` (0..35), spreading the width evenly.
int whiteEdge(int index) { return static_cast<int>(std::lround(index * double(layout::kKeyboard.width()) / kWhiteKeys)); }

bool inRange(int note) { return note >= kFirst && note < kFirst + Keyboard::kNotes; }

}  // namespace

Keyboard::Keyboard(PluginLink& link, QWidget* parent) : QWidget(parent), link(link) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(layout::kKeyboard.size());
}

QSize Keyboard::sizeHint() const { return layout::kKeyboard.size(); }

QSize Keyboard::minimumSizeHint() const { return layout::kKeyboard.size(); }

QRect Keyboard::keyRect(int note) const {
    if (!inRange(note)) return {};
    const int offset = note - kFirst;
    const int pitch = offset % 12;
    const int white = offset / 12 * 7 + kWhiteIndex[pitch];
    if (!kBlack[pitch]) {
        const int left = whiteEdge(white);
        return {left, 0, whiteEdge(white + 1) - left, height()};
    }
    const int centre = whiteEdge(white + 1);
    return {centre - kBlackKeyWidth / 2, 0, kBlackKeyWidth, kBlackKeyHeight};
}

int Keyboard::noteAt(const QPoint& position) const {
    if (!rect().contains(position)) return -1;
    // Black keys lie on top: the white key under the point, then its neighbours.
    int white = 0;
    while (white + 1 < kWhiteKeys && whiteEdge(white + 1) <= position.x()) ++white;
    static constexpr int kWhitePitch[7] = {0, 2, 4, 5, 7, 9, 11};
    const int note = kFirst + white / 7 * 12 + kWhitePitch[white % 7];
    for (int neighbour : {note - 1, note + 1})
        if (inRange(neighbour) && kBlack[(neighbour - kFirst) % 12] && keyRect(neighbour).contains(position))
            return neighbour;
    return note;
}

bool Keyboard::isLit(int note) const { return inRange(note) && (hostLit_[note - kFirst] || note == playing_); }

void Keyboard::showNote(int status, int note, int velocity) {
    if (!inRange(note)) return;
    switch (status & 0xf0) {
        case 0x90: setHostLit(note, velocity > 0); break;
        case 0x80: setHostLit(note, false); break;
        default: break;
    }
}

void Keyboard::setHostLit(int note, bool lit) {
    const bool before = isLit(note);
    hostLit_[note - kFirst] = lit;
    if (isLit(note) != before) update(keyRect(note));
}

void Keyboard::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, style::kBackground);
    for (int note = kFirst; note < kFirst + kNotes; ++note) {
        if (kBlack[(note - kFirst) % 12]) continue;
        const QRect key = keyRect(note);
        if (!key.intersects(dirty)) continue;
        // One dark pixel between neighbours and at the bottom.
        painter.fillRect(key.adjusted(0, 0, -1, -1), isLit(note) ? style::kAccent : kWhiteKey);
    }
    // Each C named with its octave, middle C (60) being C4; above where a
    // key is pressed, below the black keys.
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    painter.setPen(style::kBackground);
    for (int note = kFirst; note < kFirst + kNotes; note += 12) {
        const QRect label(keyRect(note).left(), kBlackKeyHeight + 1, keyRect(note).width() - 1, 11);
        if (label.intersects(dirty))
            painter.drawText(label, Qt::AlignCenter, QStringLiteral("C%1").arg(note / 12 - 1));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int note = kFirst; note < kFirst + kNotes; ++note) {
        if (!kBlack[(note - kFirst) % 12]) continue;
        const QRect key = keyRect(note);
        if (!key.intersects(dirty)) continue;
        const bool lit = isLit(note);
        painter.setBrush(lit ? style::kAccent : kBlackKey);
        painter.drawRoundedRect(QRectF(key).adjusted(0.5, -2.0, -0.5, -0.5), 1.5, 1.5);
        if (!lit) {
            // A lighter cap on the lower end.
            painter.setBrush(style::kPanelEdge);
            painter.drawRoundedRect(QRectF(key.left() + 2.5, key.bottom() - 5.0, key.width() - 5.0, 4.0), 1.0, 1.0);
        }
    }
}

void Keyboard::play(int note, const QPoint& position) {
    if (note == playing_) return;
    stopPlaying();
    if (note < 0) return;
    const QRect key = keyRect(note);
    const double depth = double(position.y() - key.top()) / std::max(1, key.height() - 1);
    const int velocity = std::clamp(1 + static_cast<int>(std::lround(depth * 126.0)), 1, 127);
    const bool before = isLit(note);
    playing_ = note;
    if (!before) update(key);
    link.sendMidiMessage(144, note, velocity);
}

void Keyboard::stopPlaying() {
    if (playing_ < 0) return;
    const int note = playing_;
    playing_ = -1;
    if (!isLit(note)) update(keyRect(note));
    link.sendMidiMessage(128, note, 0);
}

void Keyboard::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint position = event->position().toPoint();
    play(noteAt(position), position);
}

void Keyboard::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint position = event->position().toPoint();
    play(noteAt(position), position);
}

void Keyboard::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) stopPlaying();
}

void Keyboard::hideEvent(QHideEvent*) { stopPlaying(); }
