#include "editor-program/global_view.h"

#include "contract/defaults.h"
#include "contract/parameter_tables.h"
#include "contract/shared_layout.h"
#include "editor-program/plugin_link.h"
#include "editor-program/slider.h"
#include "editor-program/value_text.h"
#include "programs/parameter.h"

namespace {

constexpr const char* kLabels[GlobalView::kCount] = {"master", "tune", "vel sens", "pb range"};

}  // namespace

GlobalView::GlobalView(PluginLink& link, QWidget* parent) : QWidget(parent) {
    // Two columns of two sliders.
    const int width = 92, height = 24;
    for (int i = 0; i < kCount; i++) {
        Slider* slider = new Slider(kLabels[i], this);
        slider->setGeometry(6 + (i / 2) * (width + 8), 2 + (i % 2) * height, width, height);
        slider->setHints(kMasterValues[i].steps, 0, 0);
        slider->setDefaultValue(defaults::masterDoubleClick(i));
        slider->setFormatter([i](float value) { return masterValueText(i, value); });
        connect(slider, &Control::valueChanged, this,
                [&link, i](float value) { link.sendParameter(parameter_map::masterIndex(i), value); });
        sliders[i] = slider;
    }
}

void GlobalView::load(const ParameterRecord* block) {
    if (!block) return;
    for (int i = 0; i < kCount; i++) sliders[i]->setValue(block[shared_layout::kFirstMasterEntry + i].value);
}

void GlobalView::setParameter(int32_t index, float value) {
    if (parameter_map::isMasterIndex(index)) sliders[index - parameter_map::kFirstMaster]->setValue(value);
}
