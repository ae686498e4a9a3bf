#include "editor-program/button_group.h"

#include <QHBoxLayout>

#include "editor-program/button.h"

ButtonGroup::ButtonGroup(QWidget* parent) : QWidget(parent), row_(new QHBoxLayout(this)) {
    setFocusPolicy(Qt::NoFocus);
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(0);
}

Button* ButtonGroup::addButton(const QString& label) {
    auto* added = new Button(label, this);
    row_->addWidget(added);
    buttons_.append(added);
    connect(added, &Control::valueChanged, this, [this, added](float value) {
        if (value >= 0.5f) turnedOn(added);
    });
    return added;
}

void ButtonGroup::setExclusive(bool exclusive) { exclusive_ = exclusive; }

Button* ButtonGroup::button(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

int ButtonGroup::count() const { return static_cast<int>(buttons_.size()); }

void ButtonGroup::turnedOn(Button* on) {
    if (!exclusive_) return;
    for (Button* other : buttons_)
        if (other != on && other->value() > 0.0f) other->turnOffByUser();
}
