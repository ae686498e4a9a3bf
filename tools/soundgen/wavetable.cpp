#include "wavetable.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <sstream>

#include "dsp.h"

namespace soundgen {

Wavetable::Wavetable(const std::vector<std::complex<double>>& harmonics) : samples_(size + 3) {
    std::vector<std::complex<double>> spectrum(size);
    for (std::size_t n = 1; n <= harmonics.size() && n < size / 2; ++n) spectrum[n] = harmonics[n - 1];
    fft(spectrum, +1);
    for (int i = 0; i < size + 3; ++i) samples_[i] = spectrum[(i + size - 1) % size].imag();
}

namespace {

// A hard-synced saw: the slave restarts with every cycle of the master.
// Its harmonics come from a finely sampled cycle.
std::vector<std::complex<double>> syncHarmonics(double ratio, int count) {
    constexpr int n = 16384;
    std::vector<std::complex<double>> x(n);
    for (int j = 0; j < n; ++j) {
        const double slave = ratio * (j + 0.5) / n;
        x[j] = 2 * (slave - std::floor(slave)) - 1;
    }
    fft(x, -1);
    std::vector<std::complex<double>> out(count);
    for (int k = 1; k <= count; ++k) out[k - 1] = std::complex<double>(0, 1) * 2.0 * x[k] / double(n);
    return out;
}

std::vector<std::complex<double>> harmonicsOf(const Osc& osc, int count) {
    if (osc.shape == Shape::Sync) return syncHarmonics(osc.syncRatio, count);
    std::vector<std::complex<double>> out(count);
    for (int n = 1; n <= count; ++n) {
        std::complex<double>& c = out[n - 1];
        switch (osc.shape) {
            case Shape::Sine: c = n == 1 ? 1 : 0; break;
            case Shape::Saw: c = (n % 2 ? 2 : -2) / (pi * n); break;
            case Shape::Square: c = n % 2 ? 4 / (pi * n) : 0; break;
            case Shape::Triangle: c = n % 2 ? (n % 4 == 1 ? 8 : -8) / (pi * pi * n * n) : 0; break;
            case Shape::Pulse:
                c = std::polar(2 * std::sin(pi * n * osc.duty) / (pi * n), pi / 2 - pi * n * osc.duty);
                break;
            case Shape::Glottal: c = std::pow(double(n), -1.5); break;
            case Shape::Organ: c = n <= int(osc.drawbars.size()) ? osc.drawbars[n - 1] : 0; break;
            case Shape::Sync: break;
        }
    }
    return out;
}

std::string keyOf(const Osc& osc, int harmonics) {
    std::ostringstream key;
    key << int(osc.shape) << '/' << harmonics << '/' << osc.duty << '/' << osc.syncRatio;
    for (double d : osc.drawbars) key << '/' << d;
    return key.str();
}

}  // namespace

std::shared_ptr<const Wavetable> wavetableFor(const Osc& osc, int harmonics) {
    harmonics = std::clamp(harmonics, 1, Wavetable::maxHarmonics);
    if (osc.shape == Shape::Organ) harmonics = std::min<int>(harmonics, osc.drawbars.size());
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const Wavetable>> tables;
    const std::string key = keyOf(osc, harmonics);
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto found = tables.find(key);
        if (found != tables.end()) return found->second;
    }
    auto table = std::make_shared<const Wavetable>(harmonicsOf(osc, harmonics));
    std::lock_guard<std::mutex> lock(mutex);
    return tables.emplace(key, table).first->second;
}

}  // namespace soundgen
