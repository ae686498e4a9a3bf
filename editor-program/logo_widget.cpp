#include "editor-program/logo_widget.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "editor-program/layout.h"
#include "editor-program/style.h"

namespace {

const QString kName = QStringLiteral("Quaxel");
const QString kDigit = QStringLiteral("2");
const QString kSubtitle = QStringLiteral("sampler");

}  // namespace

LogoWidget::LogoWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Configuration"));
    nameFont_ = font();
    nameFont_.setPixelSize(24);
    nameFont_.setBold(true);
    nameFont_.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    subtitleFont_ = font();
    subtitleFont_.setPixelSize(style::kFontPixels);
    subtitleFont_.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
    const QFontMetrics name(nameFont_);
    nameAscent_ = name.ascent();
    nameAdvance_ = name.horizontalAdvance(kName);
    subtitleAscent_ = QFontMetrics(subtitleFont_).ascent();
}

QSize LogoWidget::sizeHint() const { return layout::kLogo.size(); }

QSize LogoWidget::minimumSizeHint() const { return {100, 40}; }

void LogoWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), style::kBackground);

    // "Quaxel" in the text colour, the "2" in the accent, the subtitle dim
    // and spaced under it, all from the left margin.
    constexpr int kLeft = 10;
    const int baseline = height() / 2 + nameAscent_ / 2 - 2;
    painter.setFont(nameFont_);
    painter.setPen(style::kText);
    painter.drawText(kLeft, baseline, kName);
    painter.setPen(style::kAccent);
    painter.drawText(kLeft + nameAdvance_, baseline, kDigit);

    painter.setFont(subtitleFont_);
    painter.setPen(style::kDimText);
    painter.drawText(kLeft + 1, baseline + subtitleAscent_ + 2, kSubtitle);

    // A thin separator on the right edge.
    painter.setPen(QPen(style::kPanelEdge, 1.0));
    painter.drawLine(QPointF(width() - 0.5, 6), QPointF(width() - 0.5, height() - 6));
}

void LogoWidget::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void LogoWidget::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) emit clicked();
}
