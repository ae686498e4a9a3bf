// Loudness over time and stereo image of a rendered note: plain arrays of
// samples in, figures out. Levels are RMS of both channels together, in dB
// against a full-scale sample (-inf for silence).
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// The running sum of both channels' squared samples, so that the mean square
// of any stretch costs two look-ups.
class EnergyProfile {
public:
    EnergyProfile(const float* left, const float* right, size_t frames);
    size_t frames() const { return sum_.size() - 1; }
    // Mean over frames [begin, end) of (left^2 + right^2) / 2.
    double meanSquare(size_t begin, size_t end) const;
    double levelDb(size_t begin, size_t end) const;

private:
    std::vector<double> sum_;  // sum_[i]: frames 0..i-1
};

double toDb(double meanSquare);

// Levels of the windows of `window` frames starting every `hop` frames from 0
// that end at or before `end`.
std::vector<double> levelEnvelopeDb(const EnergyProfile& profile, size_t window, size_t hop, size_t end);

// The loudest of those windows, in dB.
double loudestWindowDb(const EnergyProfile& profile, size_t window, size_t hop, size_t end);

// The loudest of the 50 ms windows, 10 ms apart, that the level over time is
// followed with, ending at or before `end`.
double loudestShortWindowDb(const EnergyProfile& profile, int sampleRate, size_t end);

// When the envelope first lies `dropDb` under the loudest window before it:
// seconds from the first window's start, interpolated in dB between the two
// windows around the crossing (exact for an exponential decay, whose level in
// dB is a straight line). Times are those of the windows' starts. Nothing if
// it never falls that far.
std::optional<double> fallSeconds(const std::vector<double>& envelopeDb, double hopSeconds, double dropDb);

struct StereoWidth {
    double sideToMidDb;  // 10 log10(side energy / mid energy), clamped to +-kWidthLimitDb
    double correlation;  // of left and right; NaN when either channel is silent
};
inline constexpr double kWidthLimitDb = 99.0;

StereoWidth stereoWidth(const float* left, const float* right, size_t begin, size_t end);

// The figures of one note held from frame 0 and released at `releaseFrame`.
struct HeldNoteFigures {
    double peak400Db;              // loudest 400 ms window, over the whole render
    std::optional<double> fall20;  // seconds; nothing: held 20 dB up until the release
    bool at3s;                     // the last 100 ms before the release within 30 dB of the loudest 50 ms
    StereoWidth width;             // over the held part
};

HeldNoteFigures measureHeldNote(const float* left, const float* right, size_t frames, int sampleRate,
                                size_t releaseFrame);
