#include "editor-program/instrument_view.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "contract/defaults.h"
#include "contract/parameter_map.h"
#include "contract/parameter_tables.h"
#include "editor-program/button.h"
#include "editor-program/knob.h"
#include "editor-program/layout.h"
#include "editor-program/plugin_link.h"
#include "editor-program/shown_instrument.h"
#include "editor-program/style.h"
#include "editor-program/value_text.h"
#include "editor-program/vumeter.h"

namespace {

// The short labels that fit a control's cell.
constexpr const char* kLabels[InstrumentView::kParameters] = {
    "vol",  "pan",   "tune", "fine",   "wave",  "loop",  "global", "vol eg", "pit eg", "spcl",    "A",
    "D",    "S",     "R",    "p.A",    "p.D",   "p.R",   "depth",  "rev",    "interp", "grain",   "adv"};

// What each switch does, for its tooltip; the knobs show their values.
constexpr const char* kDescriptions[InstrumentView::kParameters] = {
    nullptr, nullptr, nullptr, nullptr,
    "Shows this instrument's waveform in the panel below when turned on. Kept with the instrument; the sound "
    "does not change.",
    "Plays the loop between the loop markers again and again while the note is held.",
    "Kept with the instrument in the program, and left as it is by a reset; the sound does not change.",
    "Kept with the instrument; the volume envelope (A, D, S, R) shapes every note whether it is on or off.",
    "Kept with the instrument; the pitch envelope (p.A, p.D, p.R) bends every note by its depth whether it is on "
    "or off.",
    "Kept with the instrument in the program, and left as it is by a reset; the sound does not change.",
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    "Plays the sound backwards.",
    "Smooths the sound between its sample frames (linear interpolation).",
    "Plays the sound in short grains, so that its pitch changes without changing its length; adv sets how far "
    "each grain moves on.",
    nullptr};

float sharedValue(const InstrumentData* record, int p) {
    return record ? readShared(record->parameterRecord[p].value) : kInstrumentParameters[p].value;
}

}  // namespace

InstrumentView::InstrumentView(PluginLink& link, ShownInstrument& shown, int32_t id, const QString& name,
                               InstrumentData* record, QWidget* parent)
    : QWidget(parent),
      link(link),
      shown(shown),
      instrumentId(id),
      instrumentName(name),
      shared(record),
      // A row made afresh for the instrument on show is highlighted at once.
      selected(record && shown.record() == record) {
    setFixedSize(layout::kInstrumentArea.width() - 14, layout::kInstrumentRowHeight);
    // Clicks and the context menu pass through the label to the row; the
    // label keeps its tooltip.
    title = new QLabel(this);
    title->setGeometry(6, 4, layout::kRowNameWidth - 22, 16);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    QPalette colours = title->palette();
    colours.setColor(QPalette::WindowText, style::kText);
    title->setPalette(colours);
    setShownName(1);
    channelLabel = new QLabel(this);
    channelLabel->setGeometry(6, 24, layout::kRowNameWidth - 22, 14);
    channelLabel->setStyleSheet(QString("color: %1;").arg(style::kDimText.name()));
    channelLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    vumeter = new Vumeter(this);
    vumeter->setGeometry(layout::kRowNameWidth - 14, 4, 8, layout::kInstrumentRowHeight - 8);

    for (int p = 0; p < kParameters; p++) {
        const InstrumentParameterInfo& info = kInstrumentParameters[p];
        const bool isSwitch = info.steps == 1;
        Control* control = isSwitch ? static_cast<Control*>(new Button(kLabels[p], this))
                                    : static_cast<Control*>(new Knob(kLabels[p], this));
        const QRect cell = layout::instrumentControlRect(p);
        control->setGeometry(isSwitch ? cell.adjusted(2, 5, -2, -5) : cell);
        const ParameterRecord hints = record ? record->parameterRecord[p] : ParameterRecord{0, info.steps, info.offset, info.mark};
        control->setHints(hints.steps, hints.offset, hints.mark);
        control->setDefaultValue(defaults::instrumentDoubleClick(p));
        control->setFormatter([p](float value) { return instrumentValueText(p, value); });
        if (kDescriptions[p]) control->setDescription(kDescriptions[p]);
        control->setValue(sharedValue(record, p));
        connect(control, &Control::valueChanged, this, [this, p](float value) {
            this->link.sendParameter(parameter_map::instrumentIndex(instrumentId, p), value);
            if (p == parameter_map::instrument::kShowwave && value >= 0.5f) showWaveform();
        });
        controls[p] = control;
    }
    poll();
}

void InstrumentView::setShownName(int alike) {
    const QString number = alike > 1 ? " " + QString::number(alike) : QString();
    shownTitle = instrumentName + number;
    // Elided in the font it is drawn in, so that no glyph is cut; the number
    // stays whole after the "…", or rows of a long name would read alike.
    const QFontMetrics metrics(title->font());
    const int room = std::max(title->width() - metrics.horizontalAdvance(number), 0);
    title->setText(metrics.elidedText(instrumentName, Qt::ElideRight, room) + number);
    // The whole name on hover, and the file it came from.
    QString tip = shownTitle;
    if (shared && shared->path[0])
        tip += "\n" + QString::fromUtf8(shared->path, static_cast<int>(strnlen(shared->path, sizeof shared->path)));
    title->setToolTip(tip);
}

void InstrumentView::showWaveform() { shown.show(link.findInstrument(instrumentId)); }

void InstrumentView::setParameter(int parameter, float value) {
    if (parameter >= 0 && parameter < kParameters) controls[parameter]->setValue(value);
}

void InstrumentView::setSelected(bool on) {
    if (selected == on) return;
    selected = on;
    update();
}

QString InstrumentView::channelText() const {
    if (shownChannel < 0 || shownChannel > 15) return QStringLiteral("midi omni");
    return QStringLiteral("midi in %1").arg(shownChannel + 1);
}

void InstrumentView::poll() {
    if (!shared) return;
    vumeter->setLevel(readShared(shared->peak));
    const int32_t channel = readShared(shared->midiChannel);
    if (channel != shownChannel) {
        shownChannel = channel;
        channelLabel->setText(channelText());
    }
}

void InstrumentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintPanel(painter, rect(), style::kPanel, selected ? style::kAccent : style::kPanelEdge);
    painter.fillRect(QRect(0, 0, 3, height()), selected ? style::kAccent : style::kPanelEdge);
}

void InstrumentView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().x() < layout::kRowNameWidth)
        showWaveform();
    QWidget::mousePressEvent(event);
}

void InstrumentView::contextMenuEvent(QContextMenuEvent* event) { contextMenu()->exec(event->globalPos()); }

std::unique_ptr<QMenu> InstrumentView::contextMenu() {
    // The actions hold the link and the id, not this row: a poll may
    // rebuild the rows while the menu is open.
    PluginLink* target = &link;
    const int32_t id = instrumentId;
    auto owned = std::make_unique<QMenu>(this);
    QMenu& menu = *owned;
    menu.addAction("reset parameters", &menu, [target, id] { target->resetParameters(id); });
    QMenu* from = menu.addMenu("copy parameters from:");
    QMenu* to = menu.addMenu("copy parameters to:");
    for (const InstrumentData* other : link.instruments()) {
        const int32_t otherId = readShared(other->id);
        if (otherId == id) continue;
        const QString name = QString::fromUtf8(other->name, static_cast<int>(strnlen(other->name, sizeof other->name)));
        const QString label = QString("%1: %2").arg(otherId).arg(name);
        from->addAction(label, from, [target, id, otherId] { target->copyParameters(otherId, id); });
        to->addAction(label, to, [target, id, otherId] { target->copyParameters(id, otherId); });
    }
    from->setEnabled(!from->isEmpty());
    to->setEnabled(!to->isEmpty());
    menu.addAction("clone", &menu, [target, id] { target->cloneInstrument(id); });
    QMenu* channels = menu.addMenu("midi input channel:");
    auto* exclusive = new QActionGroup(channels);
    for (int channel = -1; channel < 16; channel++) {
        QAction* entry = channels->addAction(channel < 0 ? QString("midi omni") : QString("midi in %1").arg(channel + 1));
        entry->setCheckable(true);
        entry->setChecked(channel == (shownChannel < 0 || shownChannel > 15 ? -1 : shownChannel));
        exclusive->addAction(entry);
        connect(entry, &QAction::triggered, channels, [target, id, channel] { target->setMidiChannel(id, channel); });
    }
    menu.addSeparator();
    menu.addAction("remove", &menu, [target, id] { target->removeInstrument(id); });
    return owned;
}
