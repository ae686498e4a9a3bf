#include "speech.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <mutex>
#include <stdexcept>

#include "dsp.h"

namespace soundgen {

namespace {

std::vector<short>* collected = nullptr;

int collect(short* samples, int count, espeak_EVENT*) {
    if (samples && count > 0) collected->insert(collected->end(), samples, samples + count);
    return 0;
}

// The synthesiser is a process-wide state machine: one caller at a time.
std::mutex espeakMutex;

int engineRate() {
    static const int rate = [] {
        const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (r <= 0) throw std::runtime_error("espeak-ng cannot start (is espeak-ng-data installed?)");
        espeak_SetSynthCallback(collect);
        return r;
    }();
    return rate;
}

unsigned utteranceSeed(const Speech& s, int rate) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : s.text + "|" + s.voice + "|" + std::to_string(s.pitch) + "|" + std::to_string(rate))
        hash = (hash ^ c) * 16777619u;
    return hash;
}

std::vector<double> synthesise(const Speech& s, int rate) {
    std::lock_guard<std::mutex> lock(espeakMutex);
    engineRate();
    std::vector<short> samples;
    collected = &samples;
    if (espeak_SetVoiceByName(s.voice.c_str()) != EE_OK) throw std::runtime_error("no espeak voice " + s.voice);
    espeak_SetParameter(espeakRATE, rate, 0);
    espeak_SetParameter(espeakPITCH, s.pitch, 0);
    espeak_SetParameter(espeakRANGE, 60, 0);
    // The synthesiser draws the breath and roughness of some voices from the
    // C library's rand(), whose state anything loaded into the process may
    // have moved: each utterance starts from its own fixed seed.
    std::srand(utteranceSeed(s, rate));
    espeak_Synth(s.text.c_str(), s.text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    espeak_Synchronize();
    collected = nullptr;
    std::vector<double> out(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) out[i] = samples[i] / 32768.0;
    return out;
}

// Cuts the silence before the first and after the last audible sample.
std::vector<double> trimmed(const std::vector<double>& x) {
    double peak = 0;
    for (double v : x) peak = std::max(peak, std::fabs(v));
    const double threshold = 0.003 * peak;
    std::size_t first = 0, last = x.size();
    while (first < last && std::fabs(x[first]) < threshold) ++first;
    while (last > first && std::fabs(x[last - 1]) < threshold) --last;
    std::vector<double> out(x.begin() + first, x.begin() + last);
    for (double& v : out) v /= peak;
    return out;
}

}  // namespace

std::vector<double> resample(const std::vector<double>& in, int fromRate, int toRate) {
    if (fromRate == toRate) return in;
    const double step = double(fromRate) / toRate;
    const double cutoff = 0.92 * std::min(1.0, double(toRate) / fromRate);  // of the input's Nyquist
    const int halfWidth = static_cast<int>(std::ceil(16 / cutoff));
    const std::size_t count = static_cast<std::size_t>(std::floor(in.size() / step));
    std::vector<double> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = i * step;
        const long centre = static_cast<long>(std::floor(t));
        double sum = 0;
        for (long k = centre - halfWidth + 1; k <= centre + halfWidth; ++k) {
            if (k < 0 || k >= long(in.size())) continue;
            const double d = t - k;
            const double x = pi * cutoff * d;
            const double sinc = std::fabs(x) < 1e-12 ? 1 : std::sin(x) / x;
            const double window = 0.5 + 0.5 * std::cos(pi * d / halfWidth);
            sum += in[k] * cutoff * sinc * window;
        }
        out[i] = sum;
    }
    return out;
}

std::vector<double> speak(const Speech& s, int sampleRate, int maxFrames) {
    for (int rate = s.rate; rate <= espeakRATE_MAXIMUM; rate += 25) {
        std::vector<double> words = trimmed(synthesise(s, rate));
        words = resample(words, engineRate(), sampleRate);
        // The trimmed end is quiet but not silent: let it die away.
        const int fade = std::min<int>(words.size(), sampleRate / 150);
        for (int i = 0; i < fade; ++i) words[words.size() - 1 - i] *= 0.5 - 0.5 * std::cos(pi * i / fade);
        if (int(words.size()) <= maxFrames) return words;
    }
    throw std::runtime_error("'" + s.text + "' does not fit in " + std::to_string(maxFrames) + " frames");
}

}  // namespace soundgen
