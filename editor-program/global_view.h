// The four master values (global parameters 576 to 579): volume, tune,
// velocity sensitivity and pitch-bend range.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class Slider;
struct ParameterRecord;

class GlobalView : public QWidget {
    Q_OBJECT
public:
    static constexpr int32_t kFirstIndex = 576;
    static constexpr int kCount = 4;

    // `send` carries a user's change as (global index, value).
    GlobalView(std::function<void(int32_t, float)> send, QWidget* parent = nullptr);
    // Shows what the shared block holds (entries 8 to 11 of the delay's block).
    void load(const ParameterRecord* block);
    // Global index 576..579; others are ignored.
    void setParameter(int32_t index, float value);
    Slider* slider(int which) const { return sliders[which]; }

private:
    std::array<Slider*, kCount> sliders{};
};
