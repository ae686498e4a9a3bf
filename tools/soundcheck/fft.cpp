#include "tools/soundcheck/fft.h"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

void fft(std::vector<std::complex<double>>& data) {
    const size_t n = data.size();
    if (n == 0 || (n & (n - 1)) != 0) throw std::invalid_argument("fft: size is not a power of two");

    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const size_t half = length / 2;
        // Twiddles from the angle each time: repeated multiplication would
        // drift by more than the leakage the measurements look for.
        for (size_t k = 0; k < half; ++k) {
            const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(length);
            const std::complex<double> w(std::cos(angle), std::sin(angle));
            for (size_t start = 0; start < n; start += length) {
                const std::complex<double> odd = w * data[start + k + half];
                data[start + k + half] = data[start + k] - odd;
                data[start + k] += odd;
            }
        }
    }
}

double mainLobeHalfWidth(Window window) { return window == Window::Hann ? 2.0 : 4.0; }

std::vector<double> powerSpectrum(const std::vector<double>& signal, size_t size, Window window) {
    if (signal.size() > size) throw std::invalid_argument("powerSpectrum: signal longer than the transform");
    std::vector<std::complex<double>> data(size);
    const size_t n = signal.size();
    for (size_t i = 0; i < n; ++i) {
        const double a = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const double w = window == Window::Hann
                             ? 0.5 - 0.5 * std::cos(a)
                             : 0.35875 - 0.48829 * std::cos(a) + 0.14128 * std::cos(2 * a) - 0.01168 * std::cos(3 * a);
        data[i] = signal[i] * w;
    }
    fft(data);
    std::vector<double> power(size / 2 + 1);
    for (size_t k = 0; k < power.size(); ++k) power[k] = std::norm(data[k]);
    return power;
}
