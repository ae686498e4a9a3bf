#include "editor-program/main_widget.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "editor-program/config_dialog.h"
#include "editor-program/delay_view.h"
#include "editor-program/drop_widget.h"
#include "editor-program/global_view.h"
#include "editor-program/instrument_view.h"
#include "editor-program/keyboard.h"
#include "editor-program/layout.h"
#include "editor-program/logo_widget.h"
#include "editor-program/plugin_link.h"
#include "editor-program/status_bar.h"
#include "editor-program/style.h"
#include "editor-program/treex.h"
#include "editor-program/visualizer.h"
#include "editor-program/waveform_display.h"
#include "resources/builtin_catalogue.h"
#include "resources/builtin_catalogue_names.h"

MainWidget* g_mainWidget = nullptr;

namespace {

constexpr int kParameters = InstrumentData::kParameterCount;
constexpr int32_t kInstrumentIndexEnd = 512;
constexpr int kSlots = bridge::kInstrumentSlots;

}  // namespace

MainWidget::MainWidget(PluginLink& link, QWidget* parent) : QWidget(parent), link(link) {
    g_mainWidget = this;
    setFixedSize(layout::kWidth, layout::kHeight);
    setFocusPolicy(Qt::NoFocus);
    const auto send = [this](int32_t index, float value) { sendParameter(index, value); };

    logo = new LogoWidget(this);
    logo->setGeometry(layout::kLogo);
    connect(logo, &LogoWidget::clicked, this, [] {
        // A real dialog needs a top-level parent, which the embedded window is not.
        auto* dialog = new ConfigDialog(nullptr);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
    global = new GlobalView(send, this);
    global->setGeometry(layout::kGlobalView);
    delay = new DelayView(send, this);
    delay->setGeometry(layout::kDelayView);

    treex = new Treex(this);
    treex->setGeometry(layout::kBrowser);
    dropArea = new DropWidget(*this, this);
    dropArea->setGeometry(layout::kInstrumentArea);
    connect(treex, &Treex::entryActivated, this, [this](const QMimeData& data) { dropArea->dropData(data); });

    waveform = new WaveformDisplay(link, shown, this);
    waveform->setGeometry(layout::kWaveformDisplay);
    visualizer = new Visualizer(shown, this);
    visualizer->setGeometry(layout::kVisualizer);
    status = new StatusBar(this);
    status->setGeometry(layout::kStatusBar);
    waveform->setStatusBar(status);

    keys = new Keyboard(this);
    keys->setGeometry(layout::kKeyboard);
    connect(keys, &Keyboard::midiMessage, this, &MainWidget::sendMidiMessage);
    connect(&shown, &ShownInstrument::changed, this, &MainWidget::shownChanged);
    connect(&shown, &ShownInstrument::renumbered, this, &MainWidget::showSelection);
}

MainWidget::~MainWidget() {
    if (g_mainWidget == this) g_mainWidget = nullptr;
}

void MainWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), style::kBackground);
    if (firstPaint) {
        // The children paint in the same pass, after this: the picture is
        // whole once the event loop is back.
        QTimer::singleShot(0, this, std::exchange(firstPaint, nullptr));
    }
}

void MainWidget::embedInto(uint64_t window) {
    if (embedder) embedder(window);
}

void MainWidget::quit() {
    if (quitter) quitter();
}

void MainWidget::containerClosed() { std::printf("container closed\n"); }

InstrumentView* MainWidget::instrumentView(int32_t id) const {
    for (InstrumentView* view : views)
        if (view->id() == id) return view;
    return nullptr;
}

InstrumentData* MainWidget::slotOf(int32_t id) const {
    InstrumentData* records = link.instrumentRegion();
    if (!records || id < 0) return nullptr;
    for (int slot = 0; slot < kSlots; slot++)
        if (readShared(records[slot].id) == id) return &records[slot];
    return nullptr;
}

void MainWidget::setParameter(int32_t index, float value) {
    if (index >= 0 && index < kInstrumentIndexEnd) {
        if (InstrumentView* view = instrumentView(index / kParameters)) view->setParameter(index % kParameters, value);
        return;
    }
    delay->setParameter(index, value);
    global->setParameter(index, value);
    // Sample positions (640 and up) reach the waveform through its record.
}

void MainWidget::addInstrument(int32_t id, std::string_view name, InstrumentData* record) {
    if (!instrumentView(id)) {
        auto* view = new InstrumentView(*this, id, QString::fromUtf8(name.data(), static_cast<int>(name.size())), record);
        views.push_back(view);
        dropArea->addRow(view);
    }
    // What the user just loaded or cloned is what they want to see.
    shown.show(record ? record : slotOf(id));
}

void MainWidget::rebuildRows(InstrumentData* records) {
    dropArea->clearRows();
    views.clear();
    if (!records) return;
    // Rows in rack order, which is the order of the ids.
    std::vector<InstrumentData*> taken;
    for (int slot = 0; slot < kSlots; slot++)
        if (readShared(records[slot].id, std::memory_order_acquire) >= 0) taken.push_back(&records[slot]);
    std::sort(taken.begin(), taken.end(),
              [](const InstrumentData* a, const InstrumentData* b) { return readShared(a->id) < readShared(b->id); });
    for (InstrumentData* record : taken) {
        const QString name = QString::fromUtf8(record->name, static_cast<int>(strnlen(record->name, sizeof record->name)));
        auto* view = new InstrumentView(*this, readShared(record->id), name, record);
        views.push_back(view);
        dropArea->addRow(view);
    }
}

bool MainWidget::rowsMatchSlots() const {
    const InstrumentData* records = link.instrumentRegion();
    if (!records) return views.empty();
    std::size_t taken = 0;
    for (int slot = 0; slot < kSlots; slot++) {
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
    InstrumentData* next = slotOf(shown.lastId());
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

void MainWidget::sendParameter(int32_t index, float value) { link.send(fromUi::parameter(index, value)); }

void MainWidget::sendMidiMessage(int status, int note, int velocity) {
    link.send(fromUi::midi(status, note, velocity));
}

bool MainWidget::roomForAnother(std::size_t asked) {
    if (views.size() + asked < static_cast<std::size_t>(kSlots)) return true;
    status->showMessage("16 instruments is the most a program holds");
    return false;
}

void MainWidget::loadInstrumentFromInternalDrop(const QString& text) {
    if (!roomForAnother()) return;
    const std::string name = text.toLatin1().toStdString();
    const bool builtIn = name == kCatalogueAlias || std::any_of(std::begin(kCatalogueNames), std::end(kCatalogueNames),
                                                                [&](const CatalogueName& entry) { return name == entry.name; });
    if (builtIn) {
        link.send(fromUi::loadString(name));
        return;
    }
    // Text that names a file, as a file manager's may: the file.
    if (QFileInfo(text).isFile() && QFileInfo(text).isReadable()) {
        link.send(fromUi::loadPath(text.toUtf8().toStdString()));
        return;
    }
    status->showMessage("\"" + text.left(40) + "\" is neither a built-in sound nor a sample file");
}

void MainWidget::loadInstrumentsFromExternalDrop(const QList<QUrl>& files) {
    std::size_t asked = 0;
    for (const QUrl& file : files) {
        if (!file.isLocalFile()) continue;
        if (!roomForAnother(asked)) return;
        if (link.send(fromUi::loadPath(file.toLocalFile().toUtf8().toStdString()))) asked++;
    }
}

void MainWidget::resetParameters(int32_t id) { link.send(fromUi::resetParameters(id)); }

void MainWidget::copyParametersFrom(int32_t destination, int32_t source) {
    link.send(fromUi::copyParameters(source, destination));
}

void MainWidget::copyParametersTo(int32_t source, int32_t destination) {
    link.send(fromUi::copyParameters(source, destination));
}

void MainWidget::cloneInstrument(int32_t id) { link.send(fromUi::clone(id)); }

void MainWidget::setWaveform(int32_t id) { shown.show(slotOf(id)); }

void MainWidget::setMidiChannel(int32_t id, int channel) {
    if (InstrumentData* record = slotOf(id)) writeShared(record->midiChannel, channel < 0 || channel > 15 ? -1 : channel);
}

void MainWidget::removeInstrument(int32_t id) {
    if (InstrumentData* record = slotOf(id)) writeShared(record->deleteRequest, static_cast<uint8_t>(1));
}
