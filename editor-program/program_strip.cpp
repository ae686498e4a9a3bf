#include "editor-program/program_strip.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWindow>
#include <xcb/xcb.h>

#include "editor-program/layout.h"
#include "editor-program/plugin_link.h"
#include "editor-program/style.h"
#include "editor-program/vumeter.h"

namespace {

// The program's number as the strip and the menu show it: 1 to 128.
QString numbered(int32_t index, const QString& name) {
    return QStringLiteral("%1  %2").arg(index + 1, 3, 10, QLatin1Char('0')).arg(name);
}

// A host that embeds us gives keys to its own window; a text field needs
// them while it is open, and the host has them back afterwards.
void giveKeyboardTo(const QWindow* window) {
    if (!window || QGuiApplication::platformName() != QLatin1String("xcb")) return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window->winId()),
                        XCB_CURRENT_TIME);
    xcb_flush(x11->connection());
}

QToolButton* stripButton(const QString& text, const QRect& where, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setGeometry(where);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    return button;
}

}  // namespace

ProgramStrip::ProgramStrip(PluginLink& link, QWidget* parent) : QWidget(parent), link(link) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("program: double-click the name to rename it"));
    previous_ = stripButton(QStringLiteral("\u25c0"), layout::kProgramPrevious, this);
    previous_->setToolTip(QStringLiteral("previous program"));
    connect(previous_, &QToolButton::clicked, this, [this] { step(-1); });
    next_ = stripButton(QStringLiteral("\u25b6"), layout::kProgramNext, this);
    next_->setToolTip(QStringLiteral("next program"));
    connect(next_, &QToolButton::clicked, this, [this] { step(1); });

    menu_ = new QMenu(this);
    connect(menu_, &QMenu::aboutToShow, this, &ProgramStrip::fillMenu);
    menuButton_ = stripButton(QStringLiteral("\u25be"), layout::kProgramMenu, this);
    menuButton_->setToolTip(QStringLiteral("all programs"));
    menuButton_->setMenu(menu_);
    menuButton_->setPopupMode(QToolButton::InstantPopup);
    menuButton_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));

    editor_ = new QLineEdit(this);
    editor_->setGeometry(layout::kProgramName.adjusted(34, 0, 0, 0));
    editor_->setMaxLength(program_list::kMaxNameLength);
    editor_->hide();
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::returnPressed, this, [this] { finishRenaming(true); });

    // Left and right, one above the other, at the strip's right end.
    for (int channel = 0; channel < 2; channel++) {
        auto* meter = new Vumeter(Qt::Horizontal, this);
        const QRect area = layout::kOutputMeter;
        meter->setGeometry(area.left(), area.top() + channel * (area.height() / 2 + 1), area.width(), area.height() / 2 - 1);
        meter->setToolTip(QStringLiteral("output level"));
        meters_[static_cast<std::size_t>(channel)] = meter;
    }
}

QString ProgramStrip::name(int32_t index) const {
    return index >= 0 && index < program_list::kPrograms ? names_[static_cast<std::size_t>(index)] : QString();
}

QString ProgramStrip::shownText() const { return current_ < 0 ? QString() : numbered(current_, name(current_)); }

void ProgramStrip::showProgram(int32_t index) {
    if (index < 0 || index >= program_list::kPrograms || index == current_) return;
    current_ = index;
    // A rename under way was for the program that has just left.
    if (editor_->isVisible()) finishRenaming(false);
    update(layout::kProgramName);
}

void ProgramStrip::setProgramName(int32_t index, const QString& name) {
    if (index < 0 || index >= program_list::kPrograms || names_[static_cast<std::size_t>(index)] == name) return;
    names_[static_cast<std::size_t>(index)] = name;
    menuStale_ = true;
    if (index == current_) update(layout::kProgramName);
}

void ProgramStrip::setOutputLevel(float left, float right) {
    meters_[0]->setLevel(left);
    meters_[1]->setLevel(right);
}

void ProgramStrip::step(int by) {
    if (current_ < 0) return;
    const int count = program_list::kPrograms;
    link.selectProgram(((current_ + by) % count + count) % count);
}

void ProgramStrip::fillMenu() {
    if (!menuStale_) return;
    menuStale_ = false;
    menu_->clear();
    for (int32_t index = 0; index < program_list::kPrograms; index++) {
        QAction* action = menu_->addAction(numbered(index, names_[static_cast<std::size_t>(index)]));
        connect(action, &QAction::triggered, this, [this, index] { link.selectProgram(index); });
    }
}

void ProgramStrip::startRenaming() {
    if (current_ < 0) return;
    editor_->setText(name(current_));
    editor_->selectAll();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    giveKeyboardTo(window()->windowHandle());
}

void ProgramStrip::finishRenaming(bool keep) {
    if (!editor_->isVisible()) return;
    editor_->hide();
    // The plug-in answers with the name it stored; until then the old one shows.
    if (keep && current_ >= 0) link.renameProgram(current_, editor_->text().toLatin1().toStdString());
    const QWindow* ours = window()->windowHandle();
    if (ours && ours->parent()) giveKeyboardTo(ours->parent());
}

bool ProgramStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            finishRenaming(false);
            return true;
        }
        if (event->type() == QEvent::FocusOut) finishRenaming(false);
    }
    return QWidget::eventFilter(watched, event);
}

void ProgramStrip::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && layout::kProgramName.contains(event->position().toPoint())) startRenaming();
}

void ProgramStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), style::kBackground);
    style::paintPanel(painter, layout::kProgramName.adjusted(0, 0, layout::kProgramMenu.width(), 0));
    QFont font = painter.font();
    font.setPixelSize(style::kFontPixels + 2);
    painter.setFont(font);
    const QRect text = layout::kProgramName.adjusted(6, 0, -4, 0);
    if (current_ >= 0) {
        painter.setPen(style::kAccent);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                         QStringLiteral("%1").arg(current_ + 1, 3, 10, QLatin1Char('0')));
        painter.setPen(style::kText);
        painter.drawText(text.adjusted(34, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         name(current_));
    }
    font.setPixelSize(style::kFontPixels);
    painter.setFont(font);
    painter.setPen(style::kDimText);
    painter.drawText(QRect(layout::kOutputMeter.left() - 60, 0, 56, height()), Qt::AlignVCenter | Qt::AlignRight,
                     QStringLiteral("output"));
}
