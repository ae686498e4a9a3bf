#include "dsp/voice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/adsr.h"
#include "dsp/pitch_tables.h"
#include "instruments/instrument.h"
#include "instruments/rack.h"
#include "synth/quaxel2.h"

namespace {

constexpr double kGrainRamp = 50.0;  // frames of fade at each end of a grain

// What stays fixed while one instrument renders one block in one voice.
struct Stream {
    const float* left;
    const float* right;
    int length;
    int loopStart;
    int loopEnd;
    bool looping;
    double direction;
    double pitchPrefix;  // note x root x tuning x bend x rate ratios, left to right
    double masterTune;
    double gainLeft;
    double gainRight;
    int instrumentChannel;
};

// Reads frame `j` and its successor, interpolated by `frac`. Every buffer
// holds a guard frame at `length`; indices are clamped to it so that no
// position, however it was reached, reads outside the buffer.
inline double readFrame(const float* buffer, int j, int length, double frac, double interp) {
    int next = j + 1;
    if (static_cast<unsigned>(next) > static_cast<unsigned>(length)) {
        j = j < 0 ? 0 : std::min(j, length);
        next = next < 0 ? 0 : length;
    }
    return buffer[j] + static_cast<double>(buffer[next] - buffer[j]) * frac * interp;
}

// Renders frames [first, frames) of one instrument in voice slot `slot`.
void renderStream(Instrument& instrument, const Stream& s, int slot, int first, int frames, int voiceChannel,
                  float velocityLevel, float* mixLeft, float* mixRight) {
    ADSR& volumeEnvelope = instrument.volumeEnvelope[slot];
    ADSR& pitchEnvelope = instrument.pitchEnvelope[slot];
    double pos = instrument.position[slot];
    double grainStart = instrument.grainStart[slot];
    double grainCounter = instrument.grainCounter[slot];
    const bool silenced = s.instrumentChannel != -1 && voiceChannel != -1 && s.instrumentChannel != voiceChannel;
    const bool grain = instrument.grain;
    const double interp = instrument.interpolate ? 1.0 : 0.0;
    const double volume = instrument.volume;
    const double depth = instrument.pitchEgDepth;
    const double grainPeriod = instrument.grainPeriod;
    const double grainJump = s.direction * (grain ? instrument.grainAdvance : instrument.grainPeriod);
    const bool forward = s.direction > 0;
    float* meter = instrument.meterBuffer.data();
    double grainFade = 1.0;

    for (int i = first; i < frames; i++) {
        if (s.looping) {
            if (forward) {
                if (pos >= s.loopEnd) {
                    pos = pos - s.loopEnd + s.loopStart;
                    if (pos >= s.loopEnd) pos = s.loopStart;
                }
            } else if (pos <= s.loopStart) {
                pos = pos - s.loopStart + s.loopEnd;
                if (pos <= s.loopStart) pos = s.loopEnd;
            }
        } else if (forward ? pos >= s.length : pos <= 0.0) {
            volumeEnvelope.reset();
            pitchEnvelope.reset();
            break;
        }
        const double env = volumeEnvelope.step();
        if (silenced) continue;

        const int j = static_cast<int>(pos);
        const double frac = pos - j;
        const double s0 = readFrame(s.left, j, s.length, frac, interp);
        const double s1 = readFrame(s.right, j, s.length, frac, interp);
        if (grain) {
            if (grainCounter <= kGrainRamp) grainFade = grainCounter / kGrainRamp;
            if (grainCounter >= grainPeriod - kGrainRamp) grainFade = std::fabs(grainCounter - grainPeriod) / kGrainRamp;
        }
        const double g = velocityLevel * grainFade * volume * env;
        const float left = static_cast<float>(g * s.gainLeft * s0);
        const float right = static_cast<float>(g * s.gainRight * s1);
        mixLeft[i] += left;
        mixRight[i] += right;
        meter[i] += left;

        const double p1 = pitchEnvelope.step();
        pos += s.direction * (s.pitchPrefix * (1.0 + p1 * depth) * s.masterTune);
        const double p2 = pitchEnvelope.step();
        grainCounter += s.pitchPrefix * (1.0 + p2 * depth) * s.masterTune;

        if (grainCounter >= grainPeriod) {
            grainStart += grainJump;
            if (s.looping) {
                if (forward ? grainStart >= s.loopEnd : grainStart <= s.loopStart)
                    grainStart = forward ? s.loopStart : s.loopEnd;
                if (grainStart < 0.0 || grainStart >= s.length) grainStart = 0.0;
            }
            if (grain) pos = grainStart;
            grainCounter = 0.0;
        }
    }
    instrument.position[slot] = pos;
    instrument.grainStart[slot] = grainStart;
    instrument.grainCounter[slot] = grainCounter;
}

}  // namespace

Voice::Voice(int slot, Quaxel2* owner) : slot(slot), owner(owner) {
    mixLeft.assign(static_cast<std::size_t>(owner->getRenderBlockSize()), 0.0f);
    mixRight.assign(mixLeft.size(), 0.0f);
}

template <typename Visit>
void Voice::forEachInstrument(Visit visit) {
    for (int r = 0; r < owner->getRackCount(); r++) {
        Rack* rack = owner->getRack(r);
        for (int i = 0; i < rack->getCount(); i++)
            if (Instrument* instrument = rack->getInstrumentAt(i)) visit(*instrument);
    }
}

void Voice::play(int newNote, int newVelocity, int deltaFrames, int newChannel) {
    velocity = newVelocity;
    startOffset = std::max(deltaFrames, 0);
    note = newNote;
    noteRatio = semitoneRatio(newNote - 60);
    forEachInstrument([&](Instrument& instrument) {
        Sample* sample = instrument.getSample(0, newNote, newVelocity);
        double start = sample->startPlay;
        if (instrument.reverse && sample->loopStyle == NoLoop && sample->startPlay == 0) start = sample->length;
        instrument.position[slot] = start;
        instrument.grainStart[slot] = start;
        instrument.grainCounter[slot] = 0.0;
        instrument.volumeEnvelope[slot].gate(true);
        instrument.pitchEnvelope[slot].gate(true);
    });
    velocityLevel = velocityToLevel(newVelocity);
    active = true;
    channel = newChannel == 16 ? -1 : newChannel;
}

void Voice::doRelease(int, int, int, int) {
    forEachInstrument([&](Instrument& instrument) {
        instrument.volumeEnvelope[slot].gate(false);
        instrument.pitchEnvelope[slot].gate(false);
    });
    released = true;
}

void Voice::stop(int stopNote, int stopVelocity, int, int) {
    forEachInstrument([&](Instrument& instrument) {
        instrument.position[slot] = instrument.getSample(0, stopNote, stopVelocity)->startPlay;
        instrument.pitchEnvelope[slot].reset();
    });
    released = false;
    active = false;
}

float Voice::velocityToLevel(int v) const {
    v = std::clamp(v, 1, 127);
    float sensitivity = normalised(owner->getCurrentProgram().velocitySensitivity);
    float b = 1.0f - 0.95f * sensitivity;
    float c = std::log(1.0f / b);
    return std::exp(std::pow(static_cast<float>(v - 1) / 126.0f, 0.8f) * c) * b;
}

void Voice::setPitchBend(int lsb, int msb) {
    int value = lsb + 128 * msb - 8192;
    float x = static_cast<float>(value) * (1.0f / 8192.0f);
    int range = static_cast<int>(24.0f * normalised(owner->getCurrentProgram().pitchBendRange));
    bendRatio = std::pow(2.0f, static_cast<float>(range) * x / 12.0f);
}

void Voice::adjustBufferSize() {
    if (active) active = false;
    mixLeft.assign(static_cast<std::size_t>(owner->getRenderBlockSize()), 0.0f);
    mixRight.assign(mixLeft.size(), 0.0f);
}

void Voice::process(float** outputs, int frames) {
    if (!active) return;
    std::fill_n(mixLeft.data(), frames, 0.0f);
    std::fill_n(mixRight.data(), frames, 0.0f);

    const Program& program = owner->getCurrentProgram();
    const float masterVolume = program.masterVolume;
    const double masterTune = paramToPitch(program.masterTune);
    const int grainSize = owner->getGrainSize();

    bool allIdle = true;
    double volumeSum = 0.0;
    int instrumentCount = 0;
    forEachInstrument([&](Instrument& instrument) {
        const float pan = instrument.pan;
        const float gainRight = pan > 0.5f ? 1.0f : 2.0f * pan;
        const float gainLeft = (1.0f - pan) > 0.5f ? 1.0f : 2.0f * (1.0f - pan);

        ADSR& volumeEnvelope = instrument.volumeEnvelope[slot];
        if (volumeEnvelope.state != ADSR::envIdle) {
            allIdle = false;
            if (volumeEnvelope.state != ADSR::envSustain) volumeEnvelope.step();
        }
        instrument.grainAdvance = static_cast<int>(instrument.grainAdvanceF);
        instrument.grainPeriod = grainSize;

        Sample* sample = instrument.getSample(0, note, velocity);
        const float* left = sample->getBuffer(0);
        const float* right = sample->channels > 1 ? sample->getBuffer(1) : left;
        volumeSum += instrument.volume;
        instrumentCount++;
        rateRatio = sample->samplerate / owner->renderSampleRate();
        if (startOffset >= frames || !left || !right || sample->length <= 0) return;

        Stream stream;
        stream.left = left;
        stream.right = right;
        stream.length = sample->length;
        stream.loopStart = sample->loopStart;
        stream.loopEnd = sample->loopEnd;
        stream.looping = sample->loopStyle != NoLoop;
        stream.direction = instrument.reverse ? -1.0 : 1.0;
        stream.pitchPrefix = noteRatio * (instrument.rootRatio * instrument.tuneRatio) * bendRatio * rateRatio;
        stream.masterTune = masterTune;
        stream.gainLeft = gainLeft;
        stream.gainRight = gainRight;
        stream.instrumentChannel = instrument.data ? instrument.data->midiChannel : instrument.midiChannel;
        renderStream(instrument, stream, slot, startOffset, frames, channel, velocityLevel, mixLeft.data(),
                     mixRight.data());
    });

    level = instrumentCount > 0 ? velocityLevel * (volumeSum / instrumentCount) : 0.0;
    for (int i = startOffset; i < frames; i++) {
        outputs[0][i] += mixLeft[i] * masterVolume;
        outputs[1][i] += mixRight[i] * masterVolume;
    }
    if (allIdle && released) stop(note, velocity, 0, -1);
    startOffset = 0;
}
