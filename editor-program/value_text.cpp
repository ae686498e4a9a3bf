#include "editor-program/value_text.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

QString instrumentValueText(int parameter, float value, int grainPeriod) {
    const float x = unit(value);
    switch (parameter) {
        case 0: return decibels(x);
        case 1: {
            const long pan = std::lround(x * 100.0f) - 50;
            return pan == 0 ? QStringLiteral("C") : (pan < 0 ? "L " : "R ") + QString::number(std::labs(pan));
        }
        case 2: return signedWhole(playedStep(x, 48) - 24, " st");
        case 3: return signedWhole(playedStep(x, 200) - 100, " ct");
        case 10: return seconds(1.5 * x);
        case 11: return seconds(4.0 * x);
        case 12: return percent(x);
        case 13: return seconds(3.75 * x + 0.25);
        case 14: return seconds(2.0 * x);
        case 15: return seconds(8.0 * x);
        case 16: return seconds(4.0 * x);
        case 17: {
            // Up to two octaves up, one down, as the pitch envelope applies it.
            const double depth = x > 0.5f ? (x - 0.5) * 4.0 : -(1.0 - 2.0 * x) * 0.5;
            return signedWhole(std::lround(depth * 12.0), " st");
        }
        case 21: {
            // Whole frames, truncated as the grains use them.
            const long advance = static_cast<long>((1.0f - x) * static_cast<float>(grainPeriod / 2 - 2) + 2.0f);
            return QString::number(advance) + " fr";
        }
        default: return x > 0.5f ? QStringLiteral("on") : QStringLiteral("off");
    }
}

QString delayValueText(int parameter, float value, bool synced) {
    const float x = unit(value);
    switch (parameter) {
        case 0:
            if (synced) {
                static const char* const kBeats[] = {"1/64", "1/32", "1/16", "1/8", "1/4", "1/2", "1", "2", "2"};
                return QString(kBeats[std::min(static_cast<int>(x * 8.0f), 8)]) + " beat";
            }
            return seconds(x);
        case 1:
        case 2:
        case 3:
        case 7: return percent(x);
        default: return x >= 0.5f ? QStringLiteral("on") : QStringLiteral("off");
    }
}

QString masterValueText(int parameter, float value) {
    const float x = unit(value);
    switch (parameter) {
        case 0: return decibels(x);
        case 1: return signedWhole(playedStep(x, 48) - 24, " st");
        case 2: return percent(x);
        case 3: return QString::number(playedStep(x, 24)) + " st";
        default: return {};
    }
}
