#include "editor-program/global_view.h"

#include "editor-program/knob.h"
#include "editor-program/value_text.h"
#include "programs/parameter.h"

namespace {

constexpr const char* kLabels[GlobalView::kCount] = {"master", "tune", "vel sens", "pb range"};
constexpr float kDefaults[GlobalView::kCount] = {1.0f, 0.5f, 0.5f, 0.5f};
constexpr int kSteps[GlobalView::kCount] = {100, 48, 100, 24};
constexpr int kFirstMasterEntry = 8;  // in the delay's shared block

}  // namespace

GlobalView::GlobalView(std::function<void(int32_t, float)> send, QWidget* parent) : QWidget(parent) {
    const int width = 50;
    for (int i = 0; i < kCount; i++) {
        Knob* knob = new Knob(kLabels[i], this);
        knob->setGeometry(i * width, 8, width, 40);
        knob->setHints(kSteps[i], 0, 0);
        knob->setDefaultValue(kDefaults[i]);
        knob->setFormatter([i](float value) { return masterValueText(i, value); });
        connect(knob, &Control::valueChanged, this, [send, i](float value) { send(kFirstIndex + i, value); });
        knobs[i] = knob;
    }
}

void GlobalView::load(const ParameterRecord* block) {
    if (!block) return;
    for (int i = 0; i < kCount; i++) knobs[i]->setValue(block[kFirstMasterEntry + i].value);
}

void GlobalView::setParameter(int32_t index, float value) {
    if (index >= kFirstIndex && index < kFirstIndex + kCount) knobs[index - kFirstIndex]->setValue(value);
}
