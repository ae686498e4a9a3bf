#include "editor-program/global_view.h"

#include "editor-program/slider.h"
#include "editor-program/value_text.h"
#include "programs/parameter.h"

namespace {

constexpr const char* kLabels[GlobalView::kCount] = {"master", "tune", "vel sens", "pb range"};
constexpr float kDefaults[GlobalView::kCount] = {1.0f, 0.5f, 0.5f, 0.5f};
constexpr int kSteps[GlobalView::kCount] = {100, 48, 100, 24};
constexpr int kFirstMasterEntry = 8;  // in the delay's shared block

}  // namespace

GlobalView::GlobalView(std::function<void(int32_t, float)> send, QWidget* parent) : QWidget(parent) {
    // Two columns of two sliders.
    const int width = 92, height = 24;
    for (int i = 0; i < kCount; i++) {
        Slider* slider = new Slider(kLabels[i], this);
        slider->setGeometry(6 + (i / 2) * (width + 8), 2 + (i % 2) * height, width, height);
        slider->setHints(kSteps[i], 0, 0);
        slider->setDefaultValue(kDefaults[i]);
        slider->setFormatter([i](float value) { return masterValueText(i, value); });
        connect(slider, &Control::valueChanged, this, [send, i](float value) { send(kFirstIndex + i, value); });
        sliders[i] = slider;
    }
}

void GlobalView::load(const ParameterRecord* block) {
    if (!block) return;
    for (int i = 0; i < kCount; i++) sliders[i]->setValue(block[kFirstMasterEntry + i].value);
}

void GlobalView::setParameter(int32_t index, float value) {
    if (index >= kFirstIndex && index < kFirstIndex + kCount) sliders[index - kFirstIndex]->setValue(value);
}
