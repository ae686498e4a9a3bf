// The four master values: volume, tune, velocity sensitivity and pitch-bend
// range.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

#include "contract/parameter_map.h"

class PluginLink;
class Slider;
struct ParameterRecord;

class GlobalView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCount = parameter_map::kMasterCount;

    // A user's change goes to the plug-in through `link`.
    explicit GlobalView(PluginLink& link, QWidget* parent = nullptr);
    // Shows what the shared block holds (its entries after the delay's).
    void load(const ParameterRecord* block);
    // A master value's global index; others are ignored.
    void setParameter(int32_t index, float value);
    Slider* slider(int which) const { return sliders[which]; }

private:
    std::array<Slider*, kCount> sliders{};
};
