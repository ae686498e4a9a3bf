// A flat horizontal scroll bar in the editor's colours. Dragging the thumb
// follows the mouse; a click in the trough moves by one page towards it.
#pragma once

#include <QWidget>

class ScrollBar : public QWidget {
    Q_OBJECT
public:
    explicit ScrollBar(QWidget* parent = nullptr);

    // Sets what is shown without emitting `moved`.
    void setRange(int total, int page, int position);
    int position() const { return current; }

signals:
    // Only for moves made by the user; within 0 .. total - page.
    void moved(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int maximum() const;
    QRect thumb() const;
    void moveTo(int position);

    int total = 0;
    int page = 0;
    int current = 0;
    bool dragging = false;
    int dragStartX = 0;
    int dragStartPosition = 0;
};
