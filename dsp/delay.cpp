#include "dsp/delay.h"

#include <algorithm>
#include <cmath>

#include "contract/parameter_tables.h"

namespace {

// Indexes 0 to 6; the eighth parameter keeps the Parameter defaults. The
// time knob shows 8 note values while synced.
constexpr int kPresetCount = Delay::kDefault;

// Synced lengths in beats for k = (int)(x * 8); x = 1.0 gives k = 8, 2 beats.
constexpr double kBeatsByStep[] = {1.0 / 64, 1.0 / 32, 1.0 / 16, 1.0 / 8, 1.0 / 4, 1.0 / 2, 1.0, 2.0, 2.0};

float unitGain(float x) { return x >= 0.0f ? std::min(x, 1.0f) : 0.0f; }

// Both crossfades (ping-pong sides and length changes) last 20 ms.
constexpr double kFadesPerSecond = 50.0;

bool isSwitchOn(float x) { return x >= 0.5f; }

}  // namespace

Delay::Delay(int rate)
    : delayLine(static_cast<std::size_t>(lineFramesFor(rate)), 0.0f),
      capacity(lineFramesFor(rate)),
      sampleRate(usableSampleRate(rate)) {
    createParameter(kParameterCount);
    setTimeF(kDelayParameters[kTime].value);
}

void Delay::createParameter(int count) {
    parameterCount = std::max(count, 0);
    parameters.assign(parameterCount, Parameter{});
    for (int i = 0; i < std::min(parameterCount, kPresetCount); ++i) {
        parameters[i].name = kDelayParameters[i].name;
        parameters[i].steps = kDelayParameters[i].steps;
        parameters[i].mark = kDelayParameters[i].mark;
        parameters[i].value = kDelayParameters[i].value;
    }
}

void Delay::initData() {
    if (!sharedRecords) return;
    for (int i = 0; i < kPresetCount; ++i) {
        ParameterRecord& record = sharedRecords[i];
        record.value = kDelayParameters[i].value;
        record.steps = kDelayParameters[i].steps;
        record.offset = 0;
        if (i < kActive) record.mark = kDelayParameters[i].mark;  // the switches' marks are left as found
    }
}

void Delay::setParameter(int index, float x) {
    if (index < 0 || index >= parameterCount) return;
    if (sharedRecords && index < kParameterCount) sharedRecords[index].value = x;
    float applied = x;
    switch (index) {
        case kTime: setTimeF(x); break;
        case kFeedback: setFeedback(x); break;
        case kVolume: setVolume(x); break;
        case kActive:
            applied = isSwitchOn(x) ? 1.0f : 0.0f;
            setActive(applied != 0.0f);
            break;
        case kSync:
            applied = isSwitchOn(x) ? 1.0f : 0.0f;
            setSync(applied);
            break;
        case kPingpong:
            applied = isSwitchOn(x) ? 1.0f : 0.0f;
            pingpong = applied != 0.0f;
            break;
        default: break;  // spread and the eighth value are only stored
    }
    parameters[index].value = applied;
}

float Delay::getParameter(int index) const {
    return index >= 0 && index < parameterCount ? parameters[index].value.load() : 0.0f;
}

const char* Delay::getParameterName(int index) const {
    return index >= 0 && index < parameterCount ? parameters[index].name.c_str() : "";
}

void Delay::setTime(int frames) {
    if (frames >= capacity) return;
    frames = frames <= 0 ? 1 : frames;
    if (frames == time) return;
    if (active) {
        // Fade from the tap that is heard most now.
        if (tapFade < 0.5f) previousTime = time;
        tapFade = 1.0f;
    }
    time = frames;
}

void Delay::setTimeF(float x) {
    // Above 1 (a stored state may hold +inf or 1e30) counts as 1, as for
    // every other value: not as the shortest echo, which feedback builds up.
    if (x > 1.0f) x = 1.0f;
    // Range checks come before the conversions to int, which would be
    // undefined for NaN and huge negative values.
    if (!sync) {
        const float frames = static_cast<float>(sampleRate) * x;  // at most a second
        setTime(std::isnan(frames) || frames <= 0.0f ? 0 : static_cast<int>(frames));
        return;
    }
    const float scaled = x * 8.0f;
    if (!(scaled > -1.0f && scaled < 9.0f)) {  // k outside 0..8, or NaN
        setTime(0);
        return;
    }
    const double frames = samplesPerBeat * kBeatsByStep[static_cast<int>(scaled)];
    if (frames < capacity) setTime(static_cast<int>(frames));
}

void Delay::setSync(float x) {
    if (!isSwitchOn(x)) {
        sync = false;
        if (parameterCount > kTime) {
            parameters[kTime].steps = kDelayUnsyncedTimeSteps;
            parameters[kTime].offset = 0;
        }
        return;
    }
    sync = true;
    if (parameterCount > kTime) {
        parameters[kTime].steps = kDelayParameters[kTime].steps;
        setTimeF(parameters[kTime].value);
    }
}

void Delay::setActive(bool on) {
    if (!on) {
        std::fill(delayLine.begin(), delayLine.end(), 0.0f);  // switching on again starts silent
        tapFade = 0.0f;
    }
    active = on;
}

void Delay::setVolume(float volume) { wetVolume = unitGain(volume); }

void Delay::setFeedback(float gain) { feedback = unitGain(gain); }

void Delay::setSampleRate(int rate, std::vector<float>& line) {
    rate = usableSampleRate(rate);
    if (line.size() != static_cast<std::size_t>(lineFramesFor(rate))) return;
    std::fill(line.begin(), line.end(), 0.0f);
    delayLine.swap(line);
    capacity = lineFramesFor(rate);
    // The same time in seconds; the line is new, so there is nothing to fade.
    const double seconds = static_cast<double>(time) / sampleRate;
    time = std::clamp(static_cast<int>(seconds * rate), 1, capacity - 1);
    sampleRate = rate;
    previousTime = time;
    cursor = 0;
    passFrames = 0;
    tapFade = 0.0f;
    crossfade = 0.0f;
}

void Delay::setSamplePerBeat(double tempo, double rate) {
    if (!(tempo > 0.0 && rate > 0.0 && std::isfinite(tempo) && std::isfinite(rate))) return;
    const double frames = rate * 60.0 / tempo;
    if (!(std::isfinite(frames) && frames > 0.0)) return;
    samplesPerBeat = frames;
    if (sync && parameterCount > kTime) setTimeF(parameters[kTime].value);
}

float Delay::readEcho() const {
    const float* line = delayLine.data();
    const int back = cursor - time;
    const float now = line[back < 0 ? back + capacity : back];
    if (tapFade <= 0.0f) return now;
    const int before = cursor - previousTime;
    const float then = line[before < 0 ? before + capacity : before];
    return tapFade * then + (1.0f - tapFade) * now;
}

void Delay::process(float** outputs, int frames) {
    if (!active || frames <= 0 || !outputs || !outputs[0] || !outputs[1]) return;
    float* left = outputs[0];
    float* right = outputs[1];
    const double fadeStep = kFadesPerSecond / sampleRate;
    float* line = delayLine.data();
    for (int i = 0; i < frames; ++i) {
        const float echo = readEcho();
        // Fed from the dry mix, before this frame's echo is added.
        line[cursor] = feedback * echo + (left[i] + right[i]) / 1.5f;
        if (++cursor >= capacity) cursor = 0;
        if (tapFade > 0.0f) {
            const double faded = tapFade - fadeStep;
            tapFade = faded > 0.0 ? static_cast<float>(faded) : 0.0f;
        }
        // Each pass of `time` frames moves a ping-pong echo to the other side.
        if (++passFrames >= time) {
            side = !side;
            crossfade = 1.0f;
            passFrames = 0;
        }
        if (!pingpong) {
            left[i] += wetVolume * echo;
            right[i] += wetVolume * echo;
        } else if (side) {  // moving to the left
            left[i] += (1.0f - crossfade) * wetVolume * echo;
            right[i] += crossfade * wetVolume * echo;
        } else {
            left[i] += crossfade * wetVolume * echo;
            right[i] += (1.0f - crossfade) * wetVolume * echo;
        }
        const double faded = crossfade - fadeStep;
        crossfade = faded > 0.0 ? static_cast<float>(faded) : 0.0f;
    }
}
