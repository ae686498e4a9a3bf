#include "editor-program/drop_widget.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

#include "contract/shared_layout.h"
#include "editor-program/instrument_view.h"
#include "editor-program/plugin_link.h"
#include "editor-program/status_bar.h"
#include "editor-program/style.h"
#include "editor-program/treex.h"
#include "resources/builtin_catalogue.h"
#include "resources/builtin_catalogue_names.h"

DropWidget::DropWidget(PluginLink& link, QWidget* parent) : QWidget(parent), link(link) {
    setAcceptDrops(true);
    scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setAttribute(Qt::WA_TranslucentBackground);
    scroll->viewport()->setAutoFillBackground(false);
    column = new QWidget;
    column->setAutoFillBackground(false);
    rows = new QVBoxLayout(column);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    rows->addStretch(1);
    scroll->setWidget(column);
    scroll->setWidgetResizable(true);
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(scroll);
}

void DropWidget::addRow(InstrumentView* row) {
    // The row counts the rows above it of the same name; only the screen
    // shows the number, the plug-in keeps the name (a built-in sound is
    // made again from it).
    int alike = 1;
    for (int i = 0; i < rows->count() - 1; i++)
        if (auto* above = qobject_cast<InstrumentView*>(rows->itemAt(i)->widget()))
            if (above->name() == row->name()) alike++;
    row->setShownName(alike);
    rows->insertWidget(rows->count() - 1, row);
}

void DropWidget::scrollTo(QWidget* row) {
    // A new row has its place once the layouts have run and it shows.
    QTimer::singleShot(0, scroll, [this, row = QPointer<QWidget>(row)] {
        if (!row) return;
        rows->activate();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        scroll->ensureWidgetVisible(row, 0, 0);
    });
}

void DropWidget::clearRows() {
    while (rows->count() > 1) {
        QLayoutItem* item = rows->takeAt(0);
        // Later: a row's own menu may be open in a nested event loop.
        if (QWidget* row = item->widget()) {
            row->hide();
            row->deleteLater();
        }
        delete item;
    }
    update();
}

bool DropWidget::acceptable(const QMimeData& data) {
    return data.hasUrls() || data.hasFormat(Treex::kSoundMimeType) || data.hasText();
}

bool DropWidget::dropData(const QMimeData& data) {
    if (data.hasUrls()) {
        QList<QUrl> files;
        for (const QUrl& url : data.urls())
            if (url.isLocalFile()) files.append(url);
        if (files.isEmpty()) return false;
        loadFiles(files);
        return true;
    }
    const QString sound = data.hasFormat(Treex::kSoundMimeType) ? QString::fromLatin1(data.data(Treex::kSoundMimeType))
                                                                 : data.text().trimmed();
    if (sound.isEmpty()) return false;
    loadSound(sound);
    return true;
}

bool DropWidget::roomForAnother(std::size_t asked) {
    if (link.instruments().size() + asked < static_cast<std::size_t>(shared_layout::kInstrumentSlots)) return true;
    if (status) status->showMessage("16 instruments is the most a program holds");
    return false;
}

void DropWidget::loadSound(const QString& text) {
    if (!roomForAnother()) return;
    const std::string name = text.toLatin1().toStdString();
    const bool builtIn = name == kCatalogueAlias || std::any_of(std::begin(kCatalogueNames), std::end(kCatalogueNames),
                                                                [&](const CatalogueName& entry) { return name == entry.name; });
    if (builtIn) {
        link.loadBuiltIn(name);
        return;
    }
    // Text that names a file, as a file manager's may: the file.
    if (QFileInfo(text).isFile() && QFileInfo(text).isReadable()) {
        link.loadFile(text.toUtf8().toStdString());
        return;
    }
    if (status) status->showMessage("\"" + text.left(40) + "\" is neither a built-in sound nor a sample file");
}

void DropWidget::loadFiles(const QList<QUrl>& files) {
    std::size_t asked = 0;
    for (const QUrl& file : files) {
        if (!file.isLocalFile()) continue;
        if (!roomForAnother(asked)) return;
        if (link.loadFile(file.toLocalFile().toUtf8().toStdString())) asked++;
    }
}

void DropWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptable(*event->mimeData())) event->acceptProposedAction();
}

void DropWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptable(*event->mimeData())) event->acceptProposedAction();
}

void DropWidget::dropEvent(QDropEvent* event) {
    if (dropData(*event->mimeData())) event->acceptProposedAction();
}

void DropWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), style::kBackground);
    if (rows->count() > 1) return;
    painter.setPen(style::kDimText);
    painter.drawText(rect(), Qt::AlignCenter, "drop sounds from the browser\nor sample files here");
}
