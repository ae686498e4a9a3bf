// How much of a pitched sound's energy lies off its harmonic series: the
// aliasing, noise and inharmonic partials measured against the harmonics.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/soundcheck/fft.h"

struct GridFit {
    double f0 = 0.0;         // Hz: the fundamental whose grid holds the most energy
    double onGrid = 0.0;     // energy in the grid's bins
    double offGrid = 0.0;    // energy in the other bins from kLowestHz to Nyquist
    double offgridDb = 0.0;  // 10 log10(offGrid / onGrid): -inf with nothing off the grid, NaN with nothing on it
};

// Below this the bins count neither way: a DC offset or infrasonic drift is
// not something the ear takes for a wrong partial.
inline constexpr double kLowestHz = 20.0;

// `power`: bins 0..N/2 of an N-point power spectrum, `binHz` = rate / N apart.
// Tries fundamentals from 100 cents under to 100 cents over `nominalHz` in
// one-cent steps; the grid of a fundamental f0 is every bin within
// max(minHalfWidthBins, halfWidthOfF0 x f0) of k f0, k = 1, 2, ... below
// Nyquist. The default counts only the harmonics themselves; a width of a
// quarter of f0 takes vibrato, chorus and unison as on the grid, so that
// what lies off it is aliasing and noise.
inline constexpr double kNarrowGrid = 0.01;
GridFit fitHarmonicGrid(const std::vector<double>& power, double binHz, double nominalHz, double minHalfWidthBins,
                        double halfWidthOfF0 = kNarrowGrid);

// The same over the frames [begin, end) of a stereo signal: the power spectra
// of the two channels, each windowed and zero-padded to `fftSize`, added, so
// that sound in opposite phase on the two sides counts. The grid is at least
// 3 bins wide on either side of a harmonic and never narrower than the
// window's main lobe.
GridFit fitHarmonicGrid(const float* left, const float* right, size_t begin, size_t end, int sampleRate,
                        double nominalHz, size_t fftSize, Window window = Window::Hann,
                        double halfWidthOfF0 = kNarrowGrid);

// Under this the steady stretch of a take has died away: what is left of it
// (a tail far down, rounding residue) says nothing about the sound.
inline constexpr double kDiedAwayDb = 60.0;

// offgridDb of a take of `frames` frames over its steady stretch [begin, end);
// NaN where that stretch lies kDiedAwayDb or more under the take's loudest 50 ms.
double steadyOffgridDb(const float* left, const float* right, size_t frames, size_t begin, size_t end,
                       int sampleRate, double nominalHz, size_t fftSize, Window window = Window::Hann,
                       double halfWidthOfF0 = kNarrowGrid);
