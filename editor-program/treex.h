// The "BROWSER": the built-in sounds by category, and the files of a folder
// the user picks. An entry is dragged onto the instrument area to load it
// (double-click loads it too): a built-in sound travels as its name, a file
// as its URL.
#pragma once

#include <QTreeWidget>

#include <functional>

class Treex : public QTreeWidget {
    Q_OBJECT
public:
    // Mime type of a built-in sound's name in a drag.
    static constexpr const char* kSoundMimeType = "application/x-quaxel2-sound";

    explicit Treex(QWidget* parent = nullptr);
    // What a drag of these items carries; also used by double-click loading.
    QMimeData* dragData(const QList<QTreeWidgetItem*>& items) const;
    // Lists the user's folder (empty path: none) under its own top entry,
    // which keeps its place and whether it is open. The folder is read
    // again each time the entry is opened.
    void showUserPath(const QString& path);
    // The browser's menu: "set user path", "remove user path" (enabled
    // while a path is set).
    QMenu* browserMenu();

signals:
    // Double-click on an entry: the drop it stands for.
    void entryActivated(const QMimeData& data);

protected:
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void chooseUserPath();
    // The entries of the user's folder under its top entry, read afresh.
    void listUserFolder();

    QTreeWidgetItem* userItem = nullptr;
    QString userPath;
    QMenu* menu = nullptr;
    QAction* removeAction = nullptr;
};
