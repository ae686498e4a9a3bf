#include "editor-program/delay_view.h"

#include "editor-program/button.h"
#include "editor-program/button_group.h"
#include "editor-program/knob.h"
#include "editor-program/value_text.h"
#include "programs/parameter.h"

namespace {

constexpr const char* kLabels[DelayView::kCount] = {"time",   "feedback", "volume",   "spread",
                                                    "active", "sync",     "pingpong", "default"};
constexpr float kDefaults[DelayView::kCount] = {0.625f, 0.0f, 0.5f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
constexpr int kSync = 5;

bool isSwitch(int which) { return which >= 4 && which <= 6; }

}  // namespace

DelayView::DelayView(std::function<void(int32_t, float)> send, QWidget* parent) : QWidget(parent) {
    const int width = 60;
    // The three switches side by side, between the knobs.
    auto* switches = new ButtonGroup(this);
    switches->setGeometry(4 * width + 4, 14, 3 * width - 8, 24);
    for (int i = 0; i < kCount; i++) {
        Control* control;
        if (isSwitch(i)) {
            Button* button = switches->addButton(kLabels[i]);
            button->setOnAtHalf(true);  // as the delay applies its switches
            control = button;
        } else {
            control = new Knob(kLabels[i], this);
        }
        if (!isSwitch(i)) control->setGeometry(i * width, 8, width, 40);
        control->setHints(isSwitch(i) ? 1 : 100, 0, 0);
        control->setDefaultValue(kDefaults[i]);
        control->setFormatter([this, i](float value) { return delayValueText(i, value, synced); });
        connect(control, &Control::valueChanged, this, [this, send, i](float value) {
            if (i == kSync) followSync(value >= 0.5f);
            send(kFirstIndex + i, value);
        });
        controls[i] = control;
    }
    followSync(true);
}

void DelayView::followSync(bool on) {
    synced = on;
    controls[0]->setHints(on ? 8 : 100, 0, 0);
}

void DelayView::load(const ParameterRecord* block) {
    if (!block) return;
    followSync(block[kSync].value >= 0.5f);
    for (int i = 0; i < kCount; i++) controls[i]->setValue(block[i].value);
}

void DelayView::setParameter(int32_t index, float value) {
    if (index < kFirstIndex || index >= kFirstIndex + kCount) return;
    const int which = index - kFirstIndex;
    if (which == kSync) followSync(value >= 0.5f);
    controls[which]->setValue(value);
}
