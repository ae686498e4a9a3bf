#include "tools/render/tempo_map.h"

#include <algorithm>
#include <cmath>

TempoMap::TempoMap(double bpm) { segments_.push_back({0.0, 0.0, bpm, 4, 4, 0.0}); }

void TempoMap::addChange(double seconds, double ppq, double bpm, int numerator, int denominator) {
    if (numerator <= 0 || denominator <= 0) {
        numerator = 4;
        denominator = 4;
    }
    if (seconds <= 0.0) {
        segments_.front() = {0.0, 0.0, bpm, numerator, denominator, 0.0};
        return;
    }
    const Segment& previous = segments_.back();
    // A new meter starts its bars where it begins; a tempo change keeps the bar grid.
    bool sameMeter = previous.numerator == numerator && previous.denominator == denominator;
    segments_.push_back(
        {seconds, ppq, bpm, numerator, denominator, sameMeter ? previous.barOriginPpq : ppq});
}

void TempoMap::fill(VstTimeInfo& info, int64_t samplePos, double sampleRate) const {
    double seconds = static_cast<double>(samplePos) / sampleRate;
    auto after = std::upper_bound(segments_.begin(), segments_.end(), seconds,
                                  [](double s, const Segment& segment) { return s < segment.seconds; });
    const Segment& segment = *(after - 1);

    double ppq = segment.ppq + (seconds - segment.seconds) * segment.bpm / 60.0;
    double barLength = segment.numerator * 4.0 / segment.denominator;
    // The small allowance keeps a position exactly on a bar line from rounding into the bar before.
    double bars = std::floor((ppq - segment.barOriginPpq) / barLength + 1e-9);

    info = VstTimeInfo{};
    info.samplePos = static_cast<double>(samplePos);
    info.sampleRate = sampleRate;
    info.nanoSeconds = seconds * 1e9;
    info.ppqPos = ppq;
    info.tempo = segment.bpm;
    info.barStartPos = segment.barOriginPpq + bars * barLength;
    info.timeSigNumerator = segment.numerator;
    info.timeSigDenominator = segment.denominator;
    info.flags = kVstTransportPlaying | kVstNanosValid | kVstPpqPosValid | kVstTempoValid |
                 kVstBarsValid | kVstTimeSigValid;
}
