#include "editor-program/drop_widget.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "editor-program/main_widget.h"
#include "editor-program/style.h"
#include "editor-program/treex.h"

DropWidget::DropWidget(MainWidget& main, QWidget* parent) : QWidget(parent), main(main) {
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

void DropWidget::addRow(QWidget* row) { rows->insertWidget(rows->count() - 1, row); }

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
        main.loadInstrumentsFromExternalDrop(files);
        return true;
    }
    const QString sound = data.hasFormat(Treex::kSoundMimeType) ? QString::fromLatin1(data.data(Treex::kSoundMimeType))
                                                                 : data.text().trimmed();
    if (sound.isEmpty()) return false;
    main.loadInstrumentFromInternalDrop(sound);
    return true;
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
