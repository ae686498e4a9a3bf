// The instrument area: the instruments' rows in a scrolling column, and the
// place where sounds are dropped, built-in ones from the browser and sample
// files from a file manager. A drop that is neither, or that would make a
// 17th instrument, is refused with a word in the status bar.
#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

#include <cstddef>

class InstrumentView;
class PluginLink;
class QMimeData;
class QScrollArea;
class QVBoxLayout;
class StatusBar;

class DropWidget : public QWidget {
    Q_OBJECT
public:
    // Asks the plug-in through `link` for what is dropped.
    explicit DropWidget(PluginLink& link, QWidget* parent = nullptr);
    // Optional; where refusals are said.
    void setStatusBar(StatusBar* bar) { status = bar; }

    // The rows: added at the end, all removed (and deleted) at once. Rows
    // that share a name are told apart on screen: "bass", "bass 2", ...
    void addRow(InstrumentView* row);
    void clearRows();
    // Scrolls the column so that `row` shows whole.
    void scrollTo(QWidget* row);
    // What a drop of `data` does: load files by path, or a built-in sound by
    // name. False when it carries neither.
    bool dropData(const QMimeData& data);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static bool acceptable(const QMimeData& data);
    // A built-in sound by name, or a text that names a sample file.
    void loadSound(const QString& text);
    void loadFiles(const QList<QUrl>& files);
    // False, and says so, when the rack is full with `asked` instruments
    // more that were asked for and not announced yet.
    bool roomForAnother(std::size_t asked = 0);

    PluginLink& link;
    StatusBar* status = nullptr;
    QScrollArea* scroll = nullptr;
    QWidget* column = nullptr;
    QVBoxLayout* rows = nullptr;
};
