#include "tools/soundcheck/harmonic_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tools/soundcheck/level.h"

namespace {

constexpr int kSearchCents = 100;
constexpr double kMinHalfWidthBins = 3.0;

// Energy on the grid of f0, from running sums of the power: sum[i] holds bins 0..i-1.
double gridEnergy(const std::vector<double>& sum, double binHz, double f0, size_t lowestBin, double minHalfWidth,
                  double halfWidthOfF0) {
    const size_t bins = sum.size() - 1;
    const double halfWidth = std::max(minHalfWidth, halfWidthOfF0 * f0 / binHz);
    const double nyquist = static_cast<double>(bins - 1) * binHz;
    double energy = 0.0;
    size_t covered = lowestBin;  // bins before this are counted or too low: no bin counts twice
    for (int k = 1; k * f0 < nyquist; ++k) {
        const double centre = k * f0 / binHz;
        const size_t first = std::max(covered, static_cast<size_t>(std::max(0.0, std::ceil(centre - halfWidth))));
        const size_t last = std::min(bins, static_cast<size_t>(std::floor(centre + halfWidth)) + 1);
        if (last > first) {
            energy += sum[last] - sum[first];
            covered = last;
        }
    }
    return energy;
}

}  // namespace

GridFit fitHarmonicGrid(const std::vector<double>& power, double binHz, double nominalHz, double minHalfWidthBins,
                        double halfWidthOfF0) {
    std::vector<double> sum(power.size() + 1, 0.0);
    for (size_t i = 0; i < power.size(); ++i) sum[i + 1] = sum[i] + power[i];
    const size_t lowestBin = std::min(power.size(), static_cast<size_t>(std::ceil(kLowestHz / binHz)));
    const double total = sum.back() - sum[lowestBin];

    GridFit fit;
    for (int cents = -kSearchCents; cents <= kSearchCents; ++cents) {
        const double f0 = nominalHz * std::exp2(cents / 1200.0);
        const double energy = gridEnergy(sum, binHz, f0, lowestBin, minHalfWidthBins, halfWidthOfF0);
        if (energy > fit.onGrid || fit.f0 == 0.0) {
            fit.f0 = f0;
            fit.onGrid = energy;
        }
    }
    fit.offGrid = std::max(0.0, total - fit.onGrid);
    if (fit.onGrid <= 0.0)
        fit.offgridDb = std::numeric_limits<double>::quiet_NaN();  // silence, or nothing near any grid
    else
        fit.offgridDb = fit.offGrid > 0.0 ? 10.0 * std::log10(fit.offGrid / fit.onGrid)
                                           : -std::numeric_limits<double>::infinity();
    return fit;
}

GridFit fitHarmonicGrid(const float* left, const float* right, size_t begin, size_t end, int sampleRate,
                        double nominalHz, size_t fftSize, Window window, double halfWidthOfF0) {
    std::vector<double> power;
    for (const float* channel : {left, right}) {
        const std::vector<double> part =
            powerSpectrum(std::vector<double>(channel + begin, channel + end), fftSize, window);
        if (power.empty())
            power = part;
        else
            for (size_t i = 0; i < power.size(); ++i) power[i] += part[i];
    }
    const double padding = static_cast<double>(fftSize) / static_cast<double>(end - begin);
    const double minHalfWidth = std::max(kMinHalfWidthBins, mainLobeHalfWidth(window) * padding);
    return fitHarmonicGrid(power, static_cast<double>(sampleRate) / static_cast<double>(fftSize), nominalHz,
                           minHalfWidth, halfWidthOfF0);
}

double steadyOffgridDb(const float* left, const float* right, size_t frames, size_t begin, size_t end,
                       int sampleRate, double nominalHz, size_t fftSize, Window window, double halfWidthOfF0) {
    const EnergyProfile profile(left, right, frames);
    const double loudest = loudestShortWindowDb(profile, sampleRate, frames);
    const double steady = profile.levelDb(begin, end);
    if (!std::isfinite(steady) || steady <= loudest - kDiedAwayDb) return std::numeric_limits<double>::quiet_NaN();
    return fitHarmonicGrid(left, right, begin, end, sampleRate, nominalHz, fftSize, window, halfWidthOfF0).offgridDb;
}
