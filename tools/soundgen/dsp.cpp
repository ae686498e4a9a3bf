#include "dsp.h"

#include <utility>

namespace soundgen {

void fft(std::vector<std::complex<double>>& x, int sign) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = sign * 2 * pi / double(len);
        for (std::size_t k = 0; k < len / 2; ++k) {
            const std::complex<double> w = std::polar(1.0, angle * double(k));
            for (std::size_t i = 0; i < n; i += len) {
                const std::complex<double> u = x[i + k], v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
        }
    }
}

}  // namespace soundgen
