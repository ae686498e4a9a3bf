#include "editor-program/waveformz.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor-program/settings.h"
#include "editor-program/style.h"
#include "editor-program/waveform_markers.h"

namespace {

// Everything of the record that shows in the picture.
bool samePicture(const SampleData& a, const SampleData& b) {
    if (a.length != b.length || a.columns != b.columns || a.framesPerColumn != b.framesPerColumn ||
        a.viewStart != b.viewStart || a.loopOn != b.loopOn || a.startPlay != b.startPlay ||
        a.loopStart != b.loopStart || a.loopEnd != b.loopEnd)
        return false;
    const std::size_t bytes = sizeof(float) * std::clamp(a.columns, 0, SampleData::kMaxColumns);
    return std::memcmp(a.maxPeaks, b.maxPeaks, bytes) == 0 && std::memcmp(a.minPeaks, b.minPeaks, bytes) == 0;
}

// Where the plug-in puts a marker of `kind` asked for at `frame`: each one
// stays within the sample, and loop start before loop end, against the
// other markers as they stand.
int applicableFrame(int kind, int frame, const SampleData& at) {
    const int last = std::max(at.length - 1, 0);
    if (kind == 0) return std::clamp(frame, 0, std::max(at.loopEnd - 1, 0));
    if (kind == 1) return std::max(std::min(frame, last), at.loopStart + 1);
    return std::clamp(frame, 0, last);
}

}  // namespace

Waveformz::Waveformz(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kColumns, kHeight);
    markers[0] = new LoopStart(this);
    markers[1] = new LoopEnd(this);
    markers[2] = new Start(this);
    for (Marker* marker : markers) {
        marker->hide();
        connect(marker, &Marker::dragged, this, [this, marker](int column) { dragMarker(marker, column, false); });
        connect(marker, &Marker::released, this, [this, marker](int column) { dragMarker(marker, column, true); });
    }
}

bool Waveformz::takeRecord(const SampleData& record, bool force) {
    if (!force && samePicture(record, picture)) return false;
    picture = record;
    placeMarkers();
    update();
    return true;
}

void Waveformz::clear() {
    picture = SampleData{};
    placeMarkers();
    update();
}

void Waveformz::setMarkersDraggable(bool on) {
    for (Marker* marker : markers) marker->setDraggable(on);
}

int Waveformz::columnCount() const {
    return std::clamp(picture.columns, 0, std::min(kColumns, SampleData::kMaxColumns));
}

double Waveformz::columnOf(double frame) const {
    return picture.framesPerColumn > 0 ? (frame - picture.viewStart) / picture.framesPerColumn : 0.0;
}

int Waveformz::frameAt(int column) const {
    const double frame = std::floor(picture.viewStart + column * picture.framesPerColumn);
    return frame >= 0 ? static_cast<int>(std::min(frame, 2147483647.0)) : 0;  // also NaN to 0
}

int Waveformz::markerFrame(int kind) const {
    return kind == 0 ? picture.loopStart : kind == 1 ? picture.loopEnd : picture.startPlay;
}

void Waveformz::placeMarkers() {
    for (Marker* marker : markers) {
        if (marker->dragging()) continue;  // the mouse has it
        const double column = columnOf(markerFrame(marker->kind()));
        // A marker on the frame just past the view (the sample's end) still shows.
        const bool inView = picture.length > 0 && column >= 0 && column <= columnCount();
        marker->setVisible(inView);
        if (inView) marker->placeAt(std::min(static_cast<int>(std::lround(column)), width() - 1));
    }
}

void Waveformz::dragMarker(Marker* marker, int column, bool released) {
    if (picture.length <= 0 || !(picture.framesPerColumn > 0)) return;
    const int lastVisible = std::min(picture.length, frameAt(columnCount()));
    const int wanted = std::clamp(frameAt(column), std::max(picture.viewStart, 0), lastVisible);
    const int frame = applicableFrame(marker->kind(), wanted, picture);
    marker->placeAt(std::min(static_cast<int>(std::lround(columnOf(frame))), width() - 1));
    emit markerMoved(marker->kind(), frame, released);
}

void Waveformz::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), style::kBackground);
    const int middle = height() / 2;
    painter.setPen(style::kPanelEdge);
    painter.drawLine(0, middle, width(), middle);
    if (picture.length <= 0) return;

    if (picture.loopOn) {
        const double from = std::clamp(columnOf(picture.loopStart), 0.0, double(width()));
        const double to = std::clamp(columnOf(picture.loopEnd), 0.0, double(width()));
        QColor shade = style::kLoopMarker;
        shade.setAlpha(48);
        painter.fillRect(QRectF(from, 0, to - from, height()), shade);
    }

    const double half = middle - 2;
    painter.setPen(style::kAccent);
    for (int column = 0; column < columnCount(); column++) {
        const float top = std::clamp(picture.maxPeaks[column], -1.0f, 1.0f);
        const float bottom = std::clamp(picture.minPeaks[column], -1.0f, 1.0f);
        if (top == 0.0f && bottom == 0.0f) continue;  // silence: the centre line says it
        painter.drawLine(column, static_cast<int>(std::lround(middle - top * half)), column,
                         static_cast<int>(std::lround(middle - bottom * half)));
    }
}

void Waveformz::wheelEvent(QWheelEvent* event) {
    if (Settings::flag(Settings::kDisableKeyboardFocus)) {
        event->ignore();
        return;
    }
    wheelRemainder += event->angleDelta().y();
    const int notches = wheelRemainder / 120;
    wheelRemainder -= notches * 120;
    if (notches != 0) emit zoomRequested(notches, static_cast<int>(event->position().x()));
    event->accept();
}

void Waveformz::mousePressEvent(QMouseEvent* event) {
    const Qt::MouseButton wanted = Settings::flag(Settings::kSetDragScroll) ? Qt::LeftButton : Qt::MiddleButton;
    if (event->button() != wanted || scrollButton != Qt::NoButton) return;
    scrollButton = wanted;
    scrollStartX = static_cast<int>(event->position().x());
    setCursor(Qt::ClosedHandCursor);
    emit scrollDragStarted();
}

void Waveformz::mouseMoveEvent(QMouseEvent* event) {
    if (scrollButton != Qt::NoButton) emit scrollDragged(static_cast<int>(event->position().x()) - scrollStartX);
}

void Waveformz::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != scrollButton) return;
    scrollButton = Qt::NoButton;
    unsetCursor();
}
