// An in-place radix-2 FFT and windowed power spectra, enough for measuring
// sounds offline.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

// Forward transform (e^-i) of `data`, whose size must be a power of two;
// throws std::invalid_argument otherwise.
void fft(std::vector<std::complex<double>>& data);

// Hann: what the figures are defined with; its leakage lies about 35 dB under
// a pure tone within two bins of it. The four-term Blackman-Harris leaks
// under -90 dB, for a main lobe twice as wide.
enum class Window { Hann, BlackmanHarris };

// Half the main lobe's width, in bins of a transform as long as the window.
double mainLobeHalfWidth(Window window);

// |X[k]|^2 for k = 0..size/2 of the transform of `signal` times `window` as
// long as the signal, zero-padded to `size` (a power of two, at least as long
// as the signal).
std::vector<double> powerSpectrum(const std::vector<double>& signal, size_t size, Window window);
