#include "editor-program/waveformz.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor-program/settings.h"
#include "editor-program/style.h"
#include "editor-program/time_text.h"
#include "editor-program/waveform_markers.h"

namespace {

// Everything of the record that shows in the picture.
bool samePicture(const SampleData& a, const SampleData& b) {
    if (a.length != b.length || a.columns != b.columns || a.framesPerColumn != b.framesPerColumn ||
        a.viewStart != b.viewStart || a.loopOn != b.loopOn || a.startPlay != b.startPlay ||
        a.loopStart != b.loopStart || a.loopEnd != b.loopEnd || a.channels != b.channels ||
        a.sampleRate != b.sampleRate)
        return false;
    const int columns = std::clamp(a.columns, 0, SampleData::kMaxColumns);
    auto same = [&](int first) {
        const std::size_t bytes = sizeof(float) * std::min(columns, SampleData::kMaxColumns - first);
        return std::memcmp(a.maxPeaks + first, b.maxPeaks + first, bytes) == 0 &&
               std::memcmp(a.minPeaks + first, b.minPeaks + first, bytes) == 0;
    };
    return same(0) && (a.channels != 2 || same(SampleData::kSecondChannelColumn));
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

// "loop start 1.234 s, frame 54321" for a marker's tooltip.
QString markerTip(int kind, int frame, int rate) {
    static const char* const names[3] = {"loop start", "loop end", "start"};
    return QString("%1 %2, frame %3").arg(names[std::clamp(kind, 0, 2)], time_text::ofFrame(frame, rate)).arg(frame);
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

void Waveformz::setMirrored(bool on) {
    if (mirror == on) return;
    mirror = on;
    for (Marker* marker : markers) marker->setMirrored(on);
    placeMarkers();
    update();
}

int Waveformz::columnCount() const {
    const int room = picture.channels == 2 ? SampleData::kSecondChannelColumn : SampleData::kMaxColumns;
    return std::clamp(picture.columns, 0, std::min(kColumns, room));
}

// Mirrored, frame f of the view covers the columns from the mirror of its
// end to the mirror of its start: a marker at f stands where it begins, as
// the reversed sample plays it.
double Waveformz::columnOf(double frame) const {
    if (!(picture.framesPerColumn > 0)) return 0.0;
    if (mirror) return columnCount() - (frame + 1 - picture.viewStart) / picture.framesPerColumn;
    return (frame - picture.viewStart) / picture.framesPerColumn;
}

int Waveformz::frameAt(int column) const {
    const double frame = mirror ? std::ceil(picture.viewStart + (columnCount() - column) * picture.framesPerColumn) - 1
                                : std::floor(picture.viewStart + column * picture.framesPerColumn);
    return frame >= 0 ? static_cast<int>(std::min(frame, 2147483647.0)) : 0;  // also NaN to 0
}

int Waveformz::markerFrame(int kind) const {
    return kind == 0 ? picture.loopStart : kind == 1 ? picture.loopEnd : picture.startPlay;
}

void Waveformz::placeMarkers() {
    for (Marker* marker : markers) {
        marker->setToolTip(markerTip(marker->kind(), markerFrame(marker->kind()), picture.sampleRate));
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
    const double viewEnd = std::floor(picture.viewStart + columnCount() * picture.framesPerColumn);
    const int lastVisible = static_cast<int>(std::min(static_cast<double>(picture.length), viewEnd));
    const int wanted = std::clamp(frameAt(column), std::max(picture.viewStart, 0), std::max(lastVisible, 0));
    const int frame = applicableFrame(marker->kind(), wanted, picture);
    marker->placeAt(std::clamp(static_cast<int>(std::lround(columnOf(frame))), 0, width() - 1));
    marker->setToolTip(markerTip(marker->kind(), frame, picture.sampleRate));
    emit markerMoved(marker->kind(), frame, released);
}

void Waveformz::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), style::kBackground);
    const bool stereo = picture.channels == 2;
    const int split = stereo ? height() / 2 : height();
    painter.setPen(style::kPanelEdge);
    painter.drawLine(0, split / 2, width(), split / 2);
    if (stereo) painter.drawLine(0, split + (height() - split) / 2, width(), split + (height() - split) / 2);
    if (picture.length <= 0) return;

    if (picture.loopOn) {
        const double from = std::clamp(columnOf(picture.loopStart), 0.0, double(width()));
        const double to = std::clamp(columnOf(picture.loopEnd), 0.0, double(width()));
        QColor shade = style::kLoopMarker;
        shade.setAlpha(48);
        painter.fillRect(QRectF(std::min(from, to), 0, std::abs(to - from), height()), shade);
    }
    paintTrace(painter, 0, 0, split);
    if (stereo) paintTrace(painter, SampleData::kSecondChannelColumn, split, height());
}

void Waveformz::paintTrace(QPainter& painter, int first, int top, int bottom) const {
    const int middle = top + (bottom - top) / 2;
    const double half = (bottom - top) / 2 - 2;
    painter.setPen(style::kAccent);
    const int columns = columnCount();
    for (int column = 0; column < columns; column++) {
        const int at = first + (mirror ? columns - 1 - column : column);
        const float high = std::clamp(picture.maxPeaks[at], -1.0f, 1.0f);
        const float low = std::clamp(picture.minPeaks[at], -1.0f, 1.0f);
        if (high == 0.0f && low == 0.0f) continue;  // silence: the centre line says it
        painter.drawLine(column, static_cast<int>(std::lround(middle - high * half)), column,
                         static_cast<int>(std::lround(middle - low * half)));
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
