#include "editor-program/delay_view.h"

#include "contract/defaults.h"
#include "contract/parameter_tables.h"
#include "editor-program/button.h"
#include "editor-program/button_group.h"
#include "editor-program/knob.h"
#include "editor-program/plugin_link.h"
#include "editor-program/value_text.h"
#include "programs/parameter.h"

namespace {

using namespace parameter_map;

constexpr const char* kLabels[DelayView::kCount] = {"time",   "feedback", "volume",   "spread",
                                                    "active", "sync",     "pingpong", "default"};

// What the switches and the spare value do, for their tooltips; the other
// knobs show their values.
constexpr const char* kDescriptions[DelayView::kCount] = {
    nullptr, nullptr, nullptr, nullptr,
    "Turns the echo on; turning it off clears what it holds.",
    "Counts the time in beats of the host's tempo; when off, in seconds.",
    "Sends each echo to the other side, left and right in turn.",
    "A spare value kept with the program; the delay does not use it."};

bool isSwitch(int which) { return kDelayParameters[which].unit.unit == Unit::onOff; }

}  // namespace

DelayView::DelayView(PluginLink& link, QWidget* parent) : QWidget(parent) {
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
        control->setHints(kDelayParameters[i].steps, 0, 0);
        control->setDefaultValue(defaults::delayDoubleClick(i));
        control->setFormatter([this, i](float value) { return delayValueText(i, value, synced); });
        if (kDescriptions[i]) control->setDescription(kDescriptions[i]);
        connect(control, &Control::valueChanged, this, [this, &link, i](float value) {
            if (i == delay::kSync) followSync(value >= 0.5f);
            link.sendParameter(delayIndex(i), value);
        });
        controls[i] = control;
    }
    followSync(true);
}

void DelayView::followSync(bool on) {
    synced = on;
    controls[delay::kTime]->setHints(on ? kDelayParameters[delay::kTime].steps : kDelayUnsyncedTimeSteps, 0, 0);
}

void DelayView::load(const ParameterRecord* block) {
    if (!block) return;
    followSync(block[delay::kSync].value >= 0.5f);
    for (int i = 0; i < kCount; i++) controls[i]->setValue(block[i].value);
}

void DelayView::setParameter(int32_t index, float value) {
    if (!isDelayIndex(index)) return;
    const int which = index - kFirstDelay;
    if (which == delay::kSync) followSync(value >= 0.5f);
    controls[which]->setValue(value);
}
