#include "sound.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "dsp.h"

namespace soundgen {

Event play(Patch patch, double fadeOutMs) {
    Event e;
    e.patch = std::move(patch);
    e.fadeOutMs = fadeOutMs;
    return e;
}

Recipe tone(Event e) { return {Tuning::Periodic, {std::move(e)}}; }
Recipe lowest(Event e) { return {Tuning::LowestPartial, {std::move(e)}}; }
Recipe unpitched(Event e) { return {Tuning::Unpitched, {std::move(e)}}; }
Recipe sequence(Tuning t, std::vector<Event> events) { return {t, std::move(events)}; }

bool speaks(const Recipe& recipe) {
    return std::any_of(recipe.events.begin(), recipe.events.end(),
                       [](const Event& e) { return !e.patch.speech.text.empty(); });
}

namespace {

// Raised-cosine fades, exactly 0 at the first frame and (when it fades out)
// at the last.
std::vector<double> fadeWindow(int frames, int sampleRate, double inMs, double outMs) {
    const int in = std::max(1, static_cast<int>(inMs * sampleRate / 1000));
    const int out = outMs > 0 ? std::max(1, static_cast<int>(outMs * sampleRate / 1000)) : 0;
    if (in + out >= frames) throw std::runtime_error("fades longer than the event");
    std::vector<double> w(frames, 1.0);
    for (int i = 0; i < frames; ++i) {
        const int fromEnd = frames - 1 - i;
        if (i < in) w[i] *= 0.5 - 0.5 * std::cos(pi * i / in);
        if (fromEnd < out) w[i] *= 0.5 - 0.5 * std::cos(pi * fromEnd / out);
    }
    return w;
}

void darken(std::vector<double>& x, double hz, int sampleRate) {
    const double a = 1 - std::exp(-2 * pi * hz / sampleRate);
    double state = 0;
    for (double& v : x) v = state += a * (v - state);
}

}  // namespace

SustainLoop sustainLoop(const Recipe& recipe, int frames, int sampleRate, double rootNote) {
    if (recipe.loopSeconds <= 0) return {};
    const double framesPerCycle = sampleRate / noteHz(rootNote);
    const int aimed = static_cast<int>(std::lround(recipe.loopSeconds * sampleRate));
    int best = aimed;
    double bestMiss = 1;
    for (int loop = aimed - aimed / 10; loop <= aimed + aimed / 10; ++loop) {
        const double cycles = loop / framesPerCycle;
        const double miss = std::fabs(cycles - std::round(cycles));
        if (miss < bestMiss) {
            best = loop;
            bestMiss = miss;
        }
    }
    return {frames - 1 - best, frames - 1};
}

Channels renderRecipe(const Recipe& recipe, int frames, int channels, int sampleRate, double rootNote,
                      std::uint64_t seed) {
    Channels out(channels, std::vector<double>(frames, 0.0));
    const SustainLoop held = sustainLoop(recipe, frames, sampleRate, rootNote);
    for (std::size_t k = 0; k < recipe.events.size(); ++k) {
        const Event& e = recipe.events[k];
        const int length = e.length > 0 ? e.length : frames - e.start;
        if (e.start < 0 || length <= 1 || e.start + length > frames) throw std::runtime_error("event outside the sound");
        // The event that reaches the loop is the one that makes it.
        const bool looping = held.end > 0 && e.start + length > held.start;
        if (looping && (k + 1 != recipe.events.size() || e.start + length != frames))
            throw std::runtime_error("only the last event, running to the end, may reach the loop");
        Channels part = renderPatch(e.patch, length, channels, sampleRate, noteHz(rootNote + e.transpose),
                                    seed * 1000003 + k, looping ? held.end - held.start : 0,
                                    looping ? Recipe::kHeldCleanOctaves : 0);
        const std::vector<double> w = fadeWindow(length, sampleRate, e.fadeInMs, looping ? 0 : e.fadeOutMs);
        double windowSum = 0;
        for (double v : w) windowSum += v;
        for (auto& signal : part) {
            if (e.darkenHz > 0) darken(signal, e.darkenHz, sampleRate);
            // Take out the mean in the shape of the fade, so the ends stay at 0.
            double sum = 0;
            for (int i = 0; i < length; ++i) sum += signal[i] *= w[i];
            const double mean = sum / windowSum;
            for (int i = 0; i < length; ++i) signal[i] -= mean * w[i];
        }
        for (int ch = 0; ch < channels; ++ch) {
            for (int i = 0; i < length; ++i) out[ch][e.start + i] += e.gain * part[ch][i];
        }
    }
    double peak = 0;
    for (const auto& signal : out) {
        for (double v : signal) peak = std::max(peak, std::fabs(v));
    }
    if (!(peak > 0) || !std::isfinite(peak)) throw std::runtime_error("silent or broken sound");
    for (auto& signal : out) {
        for (double& v : signal) v *= recipe.peak / peak;
    }
    return out;
}

}  // namespace soundgen
