#include "editor-program/main_widget.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "contract/parameter_map.h"
#include "contract/shared_layout.h"
#include "editor-program/config_dialog.h"
#include "editor-program/delay_view.h"
#include "editor-program/drop_widget.h"
#include "editor-program/global_view.h"
#include "editor-program/instrument_view.h"
#include "editor-program/keyboard.h"
#include "editor-program/layout.h"
#include "editor-program/logo_widget.h"
#include "editor-program/plugin_link.h"
#include "editor-program/program_strip.h"
#include "editor-program/status_bar.h"
#include "editor-program/style.h"
#include "editor-program/treex.h"
#include "editor-program/visualizer.h"
#include "editor-program/waveform_display.h"

MainWidget::MainWidget(PluginLink& link, QWidget* parent) : QWidget(parent), link(link) {
    setFixedSize(layout::kWidth, layout::kHeight);
    setFocusPolicy(Qt::NoFocus);

    logo = new LogoWidget(this);
    logo->setGeometry(layout::kLogo);
    connect(logo, &LogoWidget::clicked, this, [this] { ConfigDialog::open(this, resizer); });
    global = new GlobalView(link, this);
    global->setGeometry(layout::kGlobalView);
    delay = new DelayView(link, this);
    delay->setGeometry(layout::kDelayView);
    programs = new ProgramStrip(link, this);
    programs->setGeometry(layout::kProgramStrip);

    treex = new Treex(this);
    treex->setGeometry(layout::kBrowser);
    dropArea = new DropWidget(link, this);
    dropArea->setGeometry(layout::kInstrumentArea);
    connect(treex, &Treex::entryActivated, this, [this](const QMimeData& data) { dropArea->dropData(data); });

    waveform = new WaveformDisplay(link, shown, this);
    waveform->setGeometry(layout::kWaveformDisplay);
    visualizer = new Visualizer(shown, this);
    visualizer->setGeometry(layout::kVisualizer);
    status = new StatusBar(this);
    status->setGeometry(layout::kStatusBar);
    waveform->setStatusBar(status);
    dropArea->setStatusBar(status);

    keys = new Keyboard(link, this);
    keys->setGeometry(layout::kKeyboard);
    connect(&shown, &ShownInstrument::changed, this, &MainWidget::shownChanged);
    connect(&shown, &ShownInstrument::renumbered, this, &MainWidget::showSelection);
}

MainWidget::~MainWidget() = default;

void MainWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), style::kBackground);
    if (paintAwaited && paintReport) {
        // The children paint in the same pass, after this: the picture is
        // whole once the event loop is back.
        paintAwaited = false;
        QTimer::singleShot(0, this, paintReport);
    }
}

// A program that starts or comes back knows nothing of the programs, or
// missed their changes while the editor was closed: it asks.
void MainWidget::embedInto(uint64_t window) {
    paintAwaited = true;
    if (embedder) embedder(window);
    link.askForPrograms();
}

void MainWidget::showProgram(int32_t program) { programs->showProgram(program); }

void MainWidget::setProgramName(int32_t program, std::string_view name) {
    programs->setProgramName(program, QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}

void MainWidget::setOutputLevel(float left, float right) { programs->setOutputLevel(left, right); }

void MainWidget::quit() {
    if (quitter) quitter();
}

void MainWidget::containerClosed() { std::printf("container closed\n"); }

InstrumentView* MainWidget::instrumentView(int32_t id) const {
    for (InstrumentView* view : views)
        if (view->id() == id) return view;
    return nullptr;
}

void MainWidget::setParameter(int32_t index, float value) {
    if (parameter_map::isInstrumentIndex(index)) {
        const int perInstrument = parameter_map::kPerInstrument;
        if (InstrumentView* view = instrumentView(index / perInstrument)) view->setParameter(index % perInstrument, value);
        return;
    }
    delay->setParameter(index, value);
    global->setParameter(index, value);
    // Sample markers reach the waveform through its record.
}

void MainWidget::addInstrument(int32_t id, std::string_view name, InstrumentData* record) {
    if (!instrumentView(id)) {
        auto* view = new InstrumentView(link, shown, id, QString::fromUtf8(name.data(), static_cast<int>(name.size())),
                                        record);
        views.push_back(view);
        dropArea->addRow(view);
    }
    // What the user just loaded or cloned is what they want to see.
    shown.show(record ? record : link.findInstrument(id));
}

void MainWidget::rebuildRows(InstrumentData* records) {
    dropArea->clearRows();
    views.clear();
    if (!records) return;
    for (InstrumentData* record : link.instruments()) {  // in rack order
        const QString name = QString::fromUtf8(record->name, static_cast<int>(strnlen(record->name, sizeof record->name)));
        auto* view = new InstrumentView(link, shown, readShared(record->id), name, record);
        views.push_back(view);
        dropArea->addRow(view);
    }
}

bool MainWidget::rowsMatchSlots() const {
    const InstrumentData* records = link.instrumentRegion();
    if (!records) return views.empty();
    std::size_t taken = 0;
    for (int slot = 0; slot < shared_layout::kInstrumentSlots; slot++) {
        const int32_t id = readShared(records[slot].id, std::memory_order_acquire);
        if (id < 0) continue;
        taken++;
        const InstrumentView* view = instrumentView(id);
        if (!view || view->record() != &records[slot]) return false;
    }
    return taken == views.size();
}

void MainWidget::updateAndCreateView(InstrumentData* records) {
    rebuildRows(records);
    delay->load(link.delayBlock());
    global->load(link.delayBlock());
    InstrumentData* next = link.findInstrument(shown.lastId());
    if (!next && !views.empty()) next = views.front()->record();
    shown.show(next);
}

void MainWidget::settleShown() {
    if (shown.id() >= 0) {
        shown.settle();
        return;
    }
    if (views.empty()) {
        if (shown.record()) shown.show(nullptr);
        return;
    }
    const int32_t place = std::clamp<int32_t>(shown.lastId(), 0, static_cast<int32_t>(views.size()) - 1);
    shown.show(views[static_cast<std::size_t>(place)]->record());
}

void MainWidget::shownChanged() {
    waveform->shownChanged();
    visualizer->shownChanged();
    showSelection();
    if (InstrumentView* view = instrumentView(shown.id())) dropArea->scrollTo(view);
}

void MainWidget::poll() {
    if (!rowsMatchSlots()) {
        rebuildRows(link.instrumentRegion());
        settleShown();
    }
    for (InstrumentView* view : views) view->poll();
    waveform->poll();
    visualizer->poll();
}

void MainWidget::showNote(uint8_t status, uint8_t note, uint8_t velocity) { keys->showNote(status, note, velocity); }

void MainWidget::waveformReady(SampleData*) { waveform->waveformReady(); }

void MainWidget::showSelection() {
    const int32_t id = shown.id();
    for (InstrumentView* view : views) view->setSelected(id >= 0 && view->record() == shown.record());
}

void MainWidget::setWaveform(int32_t id) { shown.show(link.findInstrument(id)); }
