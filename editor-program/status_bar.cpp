#include "editor-program/status_bar.h"

#include <QPainter>
#include <QTimer>

#include "editor-program/layout.h"
#include "editor-program/style.h"

namespace {

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
    setLoopStart(0);
    setLoopEnd(0);
    setZoom(1.0);
}

void StatusBar::setLoopStart(int frames) { setLine(0, "loop start : " + QString::number(frames)); }

void StatusBar::setLoopEnd(int frames) { setLine(1, "loop end : " + QString::number(frames)); }

void StatusBar::setZoom(double framesPerColumn) { setLine(2, "zoom : 1 / " + shortNumber(framesPerColumn)); }

void StatusBar::showMessage(const QString& text) {
    message = text;
    messageTimer->start();
    update();
}

QString StatusBar::text(int line) const {
    if (line == 3) return message;
    return line >= 0 && line < 3 ? lines[line] : QString();
}

void StatusBar::setLine(int line, const QString& text) {
    if (lines[line] == text) return;
    lines[line] = text;
    update();
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
    const int lineHeight = height() / 4;
    for (int line = 0; line < 3; line++)
        painter.drawText(QRect(10, lineHeight / 2 + line * lineHeight, width() - 20, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, lines[line]);
}
