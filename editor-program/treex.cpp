#include "editor-program/treex.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

#include <memory>

#include "editor-program/settings.h"
#include "editor-program/style.h"
#include "editor-program/wav_file.h"
#include "resources/builtin_catalogue_names.h"

namespace {

constexpr const char* kCategories[] = {"stabs", "stabs2", "stabs3", "synth", "voice"};
constexpr int kPathRole = Qt::UserRole + 1;  // a file's absolute path

const QStringList kSampleFilters = {"*.wav", "*.WAV", "*.mp3", "*.MP3", "*.aif", "*.aiff", "*.flac", "*.ogg"};

}  // namespace

Treex::Treex(QWidget* parent) : QTreeWidget(parent) {
    setHeaderLabel("BROWSER");
    header()->setDefaultAlignment(Qt::AlignCenter);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIndentation(12);
    setFocusPolicy(Qt::NoFocus);
    for (const char* category : kCategories) {
        auto* group = new QTreeWidgetItem(this, {category});
        group->setFlags(Qt::ItemIsEnabled);
        for (const CatalogueName& entry : kCatalogueNames)
            if (QString(entry.category) == category) new QTreeWidgetItem(group, {QString::fromLatin1(entry.name)});
    }
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { browserMenu()->popup(viewport()->mapToGlobal(at)); });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item->childCount() > 0 || !(item->flags() & Qt::ItemIsDragEnabled)) return;
        std::unique_ptr<QMimeData> data(dragData({item}));
        if (data) emit entryActivated(*data);
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (item == userItem) listUserFolder();
    });
    showUserPath(Settings::userPath());
}

QStringList Treex::mimeTypes() const { return {kSoundMimeType, "text/plain", "text/uri-list"}; }

QMimeData* Treex::mimeData(const QList<QTreeWidgetItem*>& items) const { return dragData(items); }

QMimeData* Treex::dragData(const QList<QTreeWidgetItem*>& items) const {
    auto* data = new QMimeData;
    QList<QUrl> files;
    QString sound;
    for (const QTreeWidgetItem* item : items) {
        const QString path = item->data(0, kPathRole).toString();
        if (!path.isEmpty())
            files.append(QUrl::fromLocalFile(path));
        else if (item->childCount() == 0 && sound.isEmpty())
            sound = item->text(0);
    }
    if (!files.isEmpty()) {
        data->setUrls(files);
    } else {
        data->setData(kSoundMimeType, sound.toLatin1());
        data->setText(sound);
    }
    return data;
}

void Treex::showUserPath(const QString& path) {
    userPath = path;
    if (path.isEmpty()) {
        delete userItem;
        userItem = nullptr;
        return;
    }
    if (!userItem) {
        userItem = new QTreeWidgetItem(this);
        userItem->setFlags(Qt::ItemIsEnabled);
        // Openable before it is read: it is read when opened.
        userItem->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    const QDir folder(path);
    userItem->setText(0, folder.dirName().isEmpty() ? path : folder.dirName());
    userItem->setToolTip(0, path);
    listUserFolder();
}

void Treex::listUserFolder() {
    if (!userItem) return;
    qDeleteAll(userItem->takeChildren());
    const QDir folder(userPath);
    for (const QFileInfo& file : folder.entryInfoList(kSampleFilters, QDir::Files | QDir::Readable, QDir::Name)) {
        auto* item = new QTreeWidgetItem(userItem, {file.fileName()});
        item->setData(0, kPathRole, file.absoluteFilePath());
        const WavInFile wav(file.absoluteFilePath().toStdString());
        item->setToolTip(0, wav.ok() ? QString::fromStdString(wav.summary()) : file.absoluteFilePath());
    }
}

QMenu* Treex::browserMenu() {
    if (!menu) {
        menu = new QMenu(this);
        menu->addAction("set user path", this, &Treex::chooseUserPath);
        removeAction = menu->addAction("remove user path", this, [this] {
            Settings::setUserPath({});
            showUserPath({});
        });
    }
    removeAction->setEnabled(!userPath.isEmpty());
    return menu;
}

void Treex::chooseUserPath() {
    const QString path = QFileDialog::getExistingDirectory(nullptr, "Open Directory", Settings::userPath());
    if (path.isEmpty()) return;
    Settings::setUserPath(path);
    showUserPath(path);
}

void Treex::wheelEvent(QWheelEvent* event) {
    // Some hosts lose the keyboard when a plug-in window takes it; then the
    // browser leaves the wheel alone too.
    if (Settings::flag(Settings::kDisableKeyboardFocus)) {
        event->ignore();
        return;
    }
    QTreeWidget::wheelEvent(event);
}
