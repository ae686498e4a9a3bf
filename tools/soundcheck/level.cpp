#include "tools/soundcheck/level.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPeakWindowSeconds = 0.4;
constexpr double kEnvelopeWindowSeconds = 0.05;
constexpr double kEnvelopeHopSeconds = 0.01;
constexpr double kFallDb = 20.0;
constexpr double kTailSeconds = 0.1;  // the stretch just before the release
constexpr double kSustainedDb = 30.0;

size_t framesOf(double seconds, int sampleRate) { return static_cast<size_t>(std::lround(seconds * sampleRate)); }

}  // namespace

EnergyProfile::EnergyProfile(const float* left, const float* right, size_t frames) : sum_(frames + 1, 0.0) {
    for (size_t i = 0; i < frames; ++i) {
        const double l = left[i], r = right[i];
        sum_[i + 1] = sum_[i] + l * l + r * r;
    }
}

double EnergyProfile::meanSquare(size_t begin, size_t end) const {
    end = std::min(end, frames());
    if (begin >= end) return 0.0;
    // Rounding in the running sum must not make a silent stretch negative.
    return std::max(0.0, (sum_[end] - sum_[begin]) / (2.0 * static_cast<double>(end - begin)));
}

double EnergyProfile::levelDb(size_t begin, size_t end) const { return toDb(meanSquare(begin, end)); }

double toDb(double meanSquare) {
    return meanSquare > 0.0 ? 10.0 * std::log10(meanSquare) : -std::numeric_limits<double>::infinity();
}

std::vector<double> levelEnvelopeDb(const EnergyProfile& profile, size_t window, size_t hop, size_t end) {
    std::vector<double> levels;
    end = std::min(end, profile.frames());
    for (size_t start = 0; start + window <= end; start += hop) levels.push_back(profile.levelDb(start, start + window));
    return levels;
}

double loudestWindowDb(const EnergyProfile& profile, size_t window, size_t hop, size_t end) {
    const std::vector<double> levels = levelEnvelopeDb(profile, window, hop, end);
    return levels.empty() ? -std::numeric_limits<double>::infinity() : *std::max_element(levels.begin(), levels.end());
}

double loudestShortWindowDb(const EnergyProfile& profile, int sampleRate, size_t end) {
    return loudestWindowDb(profile, framesOf(kEnvelopeWindowSeconds, sampleRate),
                           framesOf(kEnvelopeHopSeconds, sampleRate), end);
}

std::optional<double> fallSeconds(const std::vector<double>& envelopeDb, double hopSeconds, double dropDb) {
    double loudest = -std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < envelopeDb.size(); ++i) {
        const double level = envelopeDb[i];
        // Until something sounds, silence is not a fall.
        if (std::isfinite(loudest) && level <= loudest - dropDb) {
            const double before = envelopeDb[i - 1];  // above the threshold, or i would have been earlier
            const double threshold = loudest - dropDb;
            const double fraction = std::isfinite(level) ? (before - threshold) / (before - level) : 1.0;
            return (static_cast<double>(i - 1) + fraction) * hopSeconds;
        }
        loudest = std::max(loudest, level);
    }
    return std::nullopt;
}

StereoWidth stereoWidth(const float* left, const float* right, size_t begin, size_t end) {
    double mid = 0.0, side = 0.0, ll = 0.0, rr = 0.0, lr = 0.0;
    for (size_t i = begin; i < end; ++i) {
        const double l = left[i], r = right[i];
        mid += (l + r) * (l + r);
        side += (l - r) * (l - r);
        ll += l * l;
        rr += r * r;
        lr += l * r;
    }
    StereoWidth width;
    if (side <= 0.0)
        width.sideToMidDb = -kWidthLimitDb;
    else if (mid <= 0.0)
        width.sideToMidDb = kWidthLimitDb;
    else
        width.sideToMidDb = std::clamp(10.0 * std::log10(side / mid), -kWidthLimitDb, kWidthLimitDb);
    width.correlation = ll > 0.0 && rr > 0.0 ? lr / std::sqrt(ll * rr) : std::numeric_limits<double>::quiet_NaN();
    return width;
}

HeldNoteFigures measureHeldNote(const float* left, const float* right, size_t frames, int sampleRate,
                                size_t releaseFrame) {
    releaseFrame = std::min(releaseFrame, frames);
    const EnergyProfile profile(left, right, frames);
    const size_t hop = framesOf(kEnvelopeHopSeconds, sampleRate);

    HeldNoteFigures figures;
    figures.peak400Db = loudestWindowDb(profile, framesOf(kPeakWindowSeconds, sampleRate), hop, frames);
    const std::vector<double> envelope =
        levelEnvelopeDb(profile, framesOf(kEnvelopeWindowSeconds, sampleRate), hop, releaseFrame);
    figures.fall20 = fallSeconds(envelope, static_cast<double>(hop) / sampleRate, kFallDb);
    const double loudest = loudestShortWindowDb(profile, sampleRate, releaseFrame);
    const size_t tailStart = releaseFrame - std::min(releaseFrame, framesOf(kTailSeconds, sampleRate));
    figures.at3s = std::isfinite(loudest) && profile.levelDb(tailStart, releaseFrame) >= loudest - kSustainedDb;
    figures.width = stereoWidth(left, right, 0, releaseFrame);
    return figures;
}
