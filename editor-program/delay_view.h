// The delay's eight parameters (global parameters 512 to 519): time,
// feedback, volume, spread, the active / sync / ping-pong switches and the
// spare "default" value.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class Control;
struct ParameterRecord;

class DelayView : public QWidget {
    Q_OBJECT
public:
    static constexpr int32_t kFirstIndex = 512;
    static constexpr int kCount = 8;

    DelayView(std::function<void(int32_t, float)> send, QWidget* parent = nullptr);
    // Shows the delay's records (values and display hints) from the shared block.
    void load(const ParameterRecord* block);
    // Global index 512..519; others are ignored.
    void setParameter(int32_t index, float value);
    Control* control(int which) const { return controls[which]; }

private:
    // The time knob counts beats while synced, else fractions of a second.
    void followSync(bool synced);

    std::array<Control*, kCount> controls{};
    bool synced = true;
};
