// The instrument area: the instruments' rows in a scrolling column, and the
// place where sounds are dropped, built-in ones from the browser and sample
// files from a file manager.
#pragma once

#include <QWidget>

class MainWidget;
class QMimeData;
class QScrollArea;
class QVBoxLayout;

class DropWidget : public QWidget {
    Q_OBJECT
public:
    DropWidget(MainWidget& main, QWidget* parent = nullptr);

    // The rows: added at the end, all removed (and deleted) at once.
    void addRow(QWidget* row);
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

    MainWidget& main;
    QScrollArea* scroll = nullptr;
    QWidget* column = nullptr;
    QVBoxLayout* rows = nullptr;
};
