#include "editor-program/value_text.h"

#include <algorithm>
#include <cmath>

#include "contract/parameter_tables.h"
#include "programs/parameter.h"

namespace {

float unit(float value) { return std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f); }

QString decibels(float gain) {
    if (gain <= 0.0f) return QStringLiteral("-inf dB");
    return QString::number(20.0 * std::log10(gain), 'f', 1) + " dB";
}

QString seconds(double s) {
    return s < 1.0 ? QString::number(std::lround(s * 1000.0)) + " ms" : QString::number(s, 'f', 2) + " s";
}

QString percent(float value) { return QString::number(std::lround(value * 100.0f)) + " %"; }

QString signedWhole(long n, const char* unitText) {
    return (n > 0 ? "+" : "") + QString::number(n) + unitText;
}

// What the units have in common; x is within 0..1, `steps` and `offset`
// are the parameter's display hints.
QString commonText(const DisplayUnit& display, float x, int steps, int offset) {
    switch (display.unit) {
        case Unit::decibels: return decibels(x);
        case Unit::pan: {
            const long pan = std::lround(x * 100.0f) - 50;
            return pan == 0 ? QStringLiteral("C") : (pan < 0 ? "L " : "R ") + QString::number(std::labs(pan));
        }
        case Unit::semitones: return signedWhole(playedStep(x, steps) + offset, " st");
        case Unit::bendRange: return QString::number(playedStep(x, steps)) + " st";
        case Unit::cents: return signedWhole(playedStep(x, steps) + offset, " ct");
        case Unit::seconds:
            return seconds((static_cast<double>(display.secondsAtOne) - display.secondsAtZero) * x + display.secondsAtZero);
        case Unit::percent: return percent(x);
        case Unit::pitchDepth: {
            // Up to two octaves up, one down, as the pitch envelope applies it.
            const double depth = x > 0.5f ? (x - 0.5) * 4.0 : -(1.0 - 2.0 * x) * 0.5;
            return signedWhole(std::lround(depth * 12.0), " st");
        }
        default: return {};
    }
}

}  // namespace

QString instrumentValueText(int parameter, float value, int grainPeriod) {
    if (parameter < 0 || parameter >= parameter_map::kPerInstrument) return {};
    const InstrumentParameterInfo& info = kInstrumentParameters[parameter];
    const float x = unit(value);
    switch (info.unit.unit) {
        case Unit::grainFrames: {
            // Whole frames, truncated as the grains use them.
            const long advance = static_cast<long>((1.0f - x) * static_cast<float>(grainPeriod / 2 - 2) + 2.0f);
            return QString::number(advance) + " fr";
        }
        case Unit::onOff: return x > 0.5f ? QStringLiteral("on") : QStringLiteral("off");  // as instruments apply them
        default: return commonText(info.unit, x, info.steps, info.offset);
    }
}

QString delayValueText(int parameter, float value, bool synced) {
    if (parameter < 0 || parameter >= parameter_map::kDelayCount) return {};
    const DelayParameterInfo& info = kDelayParameters[parameter];
    const float x = unit(value);
    switch (info.unit.unit) {
        case Unit::beatsOrSeconds:
            if (synced) {
                static const char* const kBeats[] = {"1/64", "1/32", "1/16", "1/8", "1/4", "1/2", "1", "2", "2"};
                return QString(kBeats[std::min(static_cast<int>(x * 8.0f), 8)]) + " beat";
            }
            return seconds(x);
        case Unit::onOff: return x >= 0.5f ? QStringLiteral("on") : QStringLiteral("off");  // as the delay applies them
        default: return commonText(info.unit, x, info.steps, 0);
    }
}

QString masterValueText(int parameter, float value) {
    if (parameter < 0 || parameter >= parameter_map::kMasterCount) return {};
    const MasterValueInfo& info = kMasterValues[parameter];
    return commonText(info.unit, unit(value), info.steps, info.offset);
}
