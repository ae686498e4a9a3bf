// Buttons in a row; exclusive: turning one on turns the others off (each of
// them emits its own valueChanged). Turning the lit one off stays allowed.
#pragma once

#include <QList>
#include <QWidget>

class Button;
class QHBoxLayout;

class ButtonGroup : public QWidget {
    Q_OBJECT
public:
    explicit ButtonGroup(QWidget* parent = nullptr);
    // Laid out in a row.
    Button* addButton(const QString& label);
    void setExclusive(bool exclusive);
    Button* button(int index) const;
    int count() const;

private:
    void turnedOn(Button* on);

    QHBoxLayout* row_;
    QList<Button*> buttons_;
    bool exclusive_ = false;
};
