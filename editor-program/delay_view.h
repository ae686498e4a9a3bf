// The delay's eight parameters: time, feedback, volume, spread, the active /
// sync / ping-pong switches and the spare "default" value.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

#include "contract/parameter_map.h"

class Control;
class PluginLink;
struct ParameterRecord;

class DelayView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCount = parameter_map::kDelayCount;

    // A user's change goes to the plug-in through `link`.
    explicit DelayView(PluginLink& link, QWidget* parent = nullptr);
    // Shows the delay's records (values and display hints) from the shared block.
    void load(const ParameterRecord* block);
    // A delay parameter's global index; others are ignored.
    void setParameter(int32_t index, float value);
    Control* control(int which) const { return controls[which]; }

private:
    // The time knob counts beats while synced, else fractions of a second.
    void followSync(bool synced);

    std::array<Control*, kCount> controls{};
    bool synced = true;
};
