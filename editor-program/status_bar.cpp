#include "editor-program/status_bar.h"

#include <QHelpEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

#include "editor-program/layout.h"
#include "editor-program/style.h"
#include "editor-program/time_text.h"

namespace {

constexpr const char* kMarkerNames[3] = {"loop start", "loop end", "start"};
constexpr int kMarkerLines[3] = {StatusBar::kLoopStartLine, StatusBar::kLoopEndLine, StatusBar::kStartLine};
// Top to bottom on screen.
constexpr StatusBar::Line kRows[] = {StatusBar::kStartLine, StatusBar::kLoopStartLine, StatusBar::kLoopEndLine,
                                     StatusBar::kZoomLine};
constexpr int kRowCount = sizeof kRows / sizeof kRows[0];

// Up to four decimals without trailing zeros: "12.5", "0.0625", "7.371".
QString shortNumber(double value) {
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith('0')) text.chop(1);
    if (text.endsWith('.')) text.chop(1);
    return text;
}

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent), messageTimer(new QTimer(this)) {
    setFocusPolicy(Qt::NoFocus);
    messageTimer->setSingleShot(true);
    messageTimer->setInterval(4000);
    connect(messageTimer, &QTimer::timeout, this, [this] {
        message.clear();
        update();
    });
    setFixedSize(layout::kStatusBar.size());
    refreshMarkers();
    setZoom(1.0, 1.0);
}

void StatusBar::setSampleRate(int hertz) {
    rate = hertz;
    refreshMarkers();
}

void StatusBar::setMarker(int kind, int frame) {
    if (kind < 0 || kind > 2) return;
    markers[kind] = frame;
    refreshMarkers();
}

void StatusBar::refreshMarkers() {
    for (int kind = 0; kind < 3; kind++)
        setLine(kMarkerLines[kind], QString(kMarkerNames[kind]) + " : " + time_text::ofFrame(markers[kind], rate),
                QString("%1 at frame %2").arg(kMarkerNames[kind]).arg(markers[kind]));
}

// The factor by which the view is narrower than the whole sample.
void StatusBar::setZoom(double framesPerColumn, double wholeSample) {
    const double factor = framesPerColumn > 0 ? wholeSample / framesPerColumn : 1.0;
    QString text = "whole sample";
    if (factor > 1.0 + 1e-9) text = QString::number(factor, 'f', factor < 10 ? 1 : 0) + "x";
    const QString tip = framesPerColumn >= 1 || !(framesPerColumn > 0)
                            ? shortNumber(framesPerColumn) + " frames per pixel"
                            : shortNumber(1 / framesPerColumn) + " pixels per frame";
    setLine(kZoomLine, "zoom : " + text, tip);
}

void StatusBar::showMessage(const QString& text) {
    message = text;
    messageTimer->start();
    update();
}

QString StatusBar::text(int line) const {
    if (line == kMessageLine) return message;
    return line >= 0 && line < kLines ? lines[line] : QString();
}

QString StatusBar::lineToolTip(int line) const { return line >= 0 && line < kLines ? tips[line] : QString(); }

void StatusBar::setLine(int line, const QString& text, const QString& tip) {
    tips[line] = tip;
    if (lines[line] == text) return;
    lines[line] = text;
    update();
}

QRect StatusBar::lineRect(int row) const {
    const int lineHeight = (height() - 8) / kRowCount;
    return QRect(10, 4 + row * lineHeight, width() - 20, lineHeight);
}

// The frames behind the line under the mouse.
bool StatusBar::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    for (int row = 0; row < kRowCount && message.isEmpty(); row++)
        if (lineRect(row).contains(help->pos())) {
            QToolTip::showText(help->globalPos(), tips[kRows[row]], this, lineRect(row));
            return true;
        }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void StatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintPanel(painter, rect());
    QFont font = painter.font();
    font.setPixelSize(style::kFontPixels + 1);
    painter.setFont(font);
    painter.setPen(style::kText);
    if (!message.isEmpty()) {
        painter.drawText(rect().adjusted(10, 6, -10, -6), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, message);
        return;
    }
    for (int row = 0; row < kRowCount; row++)
        painter.drawText(lineRect(row), Qt::AlignLeft | Qt::AlignVCenter, lines[kRows[row]]);
}
