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

// Reads frame `j` and its successor, interpolated by `frac`. Every buffer
// holds a guard frame at `length`; indices are clamped to it so that no
// position, however it was reached, reads outside the buffer.
// (A position can leave the sample, for example when a switch of direction
// or loop mode meets a note that has run past either end.)
inline double readFrame(const float* buffer, int j, int length, double frac, double interp) {
    int next = j + 1;
    if (static_cast<unsigned>(j) >= static_cast<unsigned>(length)) {
        j = j < 0 ? 0 : length;
        next = j;
    }
    return buffer[j] + static_cast<double>(buffer[next] - buffer[j]) * frac * interp;
}

// One instrument playing in one voice slot for one block: what stays fixed,
// and the running state, copied out of the instrument while frames render so
// that it can live in registers.
struct Stream {
    Instrument* instrument;
    int slot;
    const float* left;
    const float* right;
    float* meter;
    int length;
    int loopStart;
    int loopEnd;
    bool looping;
    bool forward;
    bool grain;
    bool silenced;  // the instrument's channel is not the voice's
    double direction;
    double pitchPrefix;  // note x root x tuning x bend x rate ratios, left to right
    double masterTune;
    double gainLeft;
    double gainRight;
    double interp;
    double level;  // the voice's velocity gain
    double volume;
    double depth;
    double grainPeriod;
    double grainJump;

    double pos;
    double grainStart;
    double grainCounter;
    double grainFade = 1.0;
    ADSR volumeEnvelope;
    ADSR pitchEnvelope;
    // With both envelopes idle or sustaining nothing moves them within the
    // block: their outputs, the gain without grains and the step are fixed.
    bool steady;
    double steadyGain;
    double steadyStep;

    static bool holds(const ADSR& envelope) {
        return envelope.state == ADSR::envIdle || envelope.state == ADSR::envSustain;
    }

    void load() {
        pos = instrument->position[slot];
        grainStart = instrument->grainStart[slot];
        grainCounter = instrument->grainCounter[slot];
        volumeEnvelope = instrument->volumeEnvelope[slot];
        pitchEnvelope = instrument->pitchEnvelope[slot];
        steady = holds(volumeEnvelope) && holds(pitchEnvelope);
        steadyGain = level * grainFade * volume * volumeEnvelope.output;
        steadyStep = pitchPrefix * (1.0 + pitchEnvelope.output * depth) * masterTune;
    }

    void store() const {
        instrument->position[slot] = pos;
        instrument->grainStart[slot] = grainStart;
        instrument->grainCounter[slot] = grainCounter;
        instrument->volumeEnvelope[slot] = volumeEnvelope;
        instrument->pitchEnvelope[slot] = pitchEnvelope;
    }

    // Renders frame i into the mix and the meter; false once the sample
    // has ended (its envelopes are then reset). `Steady` skips the envelope
    // steps that would change nothing and uses the fixed gain and step.
    template <bool Steady>
    [[gnu::always_inline]] bool renderFrame(int i, float* mixLeft, float* mixRight) {
        if (looping) {
            if (forward) {
                if (pos >= loopEnd) {
                    pos = pos - loopEnd + loopStart;
                    if (pos >= loopEnd) pos = loopStart;
                }
            } else if (pos <= loopStart) {
                pos = pos - loopStart + loopEnd;
                if (pos <= loopStart) pos = loopEnd;
            }
        } else if (forward ? pos >= length : pos <= 0.0) {
            volumeEnvelope.reset();
            pitchEnvelope.reset();
            return false;
        }
        const double env = Steady ? volumeEnvelope.output : volumeEnvelope.step();
        if (silenced) return true;

        const int j = static_cast<int>(pos);
        const double frac = pos - j;
        const double s0 = readFrame(left, j, length, frac, interp);
        const double s1 = right == left ? s0 : readFrame(right, j, length, frac, interp);  // mono reads once
        if (grain) {
            if (grainCounter <= kGrainRamp) grainFade = grainCounter / kGrainRamp;
            if (grainCounter >= grainPeriod - kGrainRamp) grainFade = std::fabs(grainCounter - grainPeriod) / kGrainRamp;
        }
        const double g = Steady && !grain ? steadyGain : level * grainFade * volume * env;
        const float outLeft = static_cast<float>(g * gainLeft * s0);
        const float outRight = static_cast<float>(g * gainRight * s1);
        mixLeft[i] += outLeft;
        mixRight[i] += outRight;
        meter[i] += outLeft;

        if (Steady) {
            pos += direction * steadyStep;
            grainCounter += steadyStep;
        } else {
            const double p1 = pitchEnvelope.step();
            pos += direction * (pitchPrefix * (1.0 + p1 * depth) * masterTune);
            const double p2 = pitchEnvelope.step();
            grainCounter += pitchPrefix * (1.0 + p2 * depth) * masterTune;
        }

        if (grainCounter >= grainPeriod) {
            grainStart += grainJump;
            if (looping) {
                if (forward ? grainStart >= loopEnd : grainStart <= loopStart) grainStart = forward ? loopStart : loopEnd;
                if (grainStart < 0.0 || grainStart >= length) grainStart = 0.0;
            }
            if (grain) pos = grainStart;
            grainCounter = 0.0;
        }
        return true;
    }
};

// The stream is copied into a local for the loop, so that its fields can
// live in registers instead of being stored and reloaded every frame.
template <bool Steady>
void renderOneAs(Stream& a, int first, int frames, float* mixLeft, float* mixRight) {
    Stream s = a;
    for (int i = first; i < frames && s.renderFrame<Steady>(i, mixLeft, mixRight); i++) {
    }
    a = s;
}

// Renders frames [first, frames) of one stream.
void renderOne(Stream& a, int first, int frames, float* mixLeft, float* mixRight) {
    a.load();
    if (a.steady)
        renderOneAs<true>(a, first, frames, mixLeft, mixRight);
    else
        renderOneAs<false>(a, first, frames, mixLeft, mixRight);
    a.store();
}

template <bool SteadyA, bool SteadyB>
void renderPairAs(Stream& a, Stream& b, int first, int frames, float* mixLeft, float* mixRight) {
    Stream x = a, y = b;
    bool xPlays = true, yPlays = true;
    int i = first;
    for (; i < frames && xPlays && yPlays; i++) {
        xPlays = x.renderFrame<SteadyA>(i, mixLeft, mixRight);
        yPlays = y.renderFrame<SteadyB>(i, mixLeft, mixRight);
    }
    for (int j = i; xPlays && !yPlays && j < frames && x.renderFrame<SteadyA>(j, mixLeft, mixRight); j++) {
    }
    for (int j = i; yPlays && !xPlays && j < frames && y.renderFrame<SteadyB>(j, mixLeft, mixRight); j++) {
    }
    a = x;
    b = y;
}

// Renders two streams frame by frame side by side. Each frame still gets the
// first stream's sound before the second's, exactly as one after the other
// would add it, while the two streams' independent arithmetic overlaps.
void renderPair(Stream& a, Stream& b, int first, int frames, float* mixLeft, float* mixRight) {
    a.load();
    b.load();
    if (a.steady && b.steady)
        renderPairAs<true, true>(a, b, first, frames, mixLeft, mixRight);
    else if (a.steady)
        renderPairAs<true, false>(a, b, first, frames, mixLeft, mixRight);
    else if (b.steady)
        renderPairAs<false, true>(a, b, first, frames, mixLeft, mixRight);
    else
        renderPairAs<false, false>(a, b, first, frames, mixLeft, mixRight);
    a.store();
    b.store();
}

void addScaled(float* __restrict out, const float* __restrict mix, int first, int frames, float gain) {
    for (int i = first; i < frames; i++) out[i] += mix[i] * gain;
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
            if (Instrument* instrument = rack->getInstrumentAt(i); instrument && !instrument->missing) visit(*instrument);
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
    // A voice cut off while released (by a block-size change) comes back
    // held: it must not be stolen or stopped like a released one.
    released = false;
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

bool Voice::finishIfEnded() {
    if (!active || !released) return false;
    bool allIdle = true;
    forEachInstrument([&](Instrument& instrument) {
        if (instrument.volumeEnvelope[slot].state != ADSR::envIdle) allIdle = false;
    });
    if (allIdle) stop(note, velocity, 0, -1);
    return allIdle;
}

void Voice::adjustBufferSize(std::vector<float>& left, std::vector<float>& right) {
    if (active) active = false;
    mixLeft.swap(left);
    mixRight.swap(right);
}

void Voice::process(float** outputs, int frames) {
    if (!active) return;
    std::fill_n(mixLeft.data(), frames, 0.0f);
    std::fill_n(mixRight.data(), frames, 0.0f);

    const Program& program = owner->getCurrentProgram();
    const float masterVolume = normalised(program.masterVolume);  // NaN plays as silence
    const double masterTune = paramToPitch(program.masterTune);
    const int grainSize = owner->getGrainSize();

    bool allIdle = true;
    double volumeSum = 0.0;
    int instrumentCount = 0;
    Stream first, second;
    bool waiting = false;
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

        const int instrumentChannel = instrument.data ? readShared(instrument.data->midiChannel) : instrument.midiChannel;
        Stream& stream = waiting ? second : first;
        stream.instrument = &instrument;
        stream.slot = slot;
        stream.left = left;
        stream.right = right;
        stream.meter = instrument.meterBuffer.data();
        stream.length = sample->length;
        stream.loopStart = sample->loopStart;
        stream.loopEnd = sample->loopEnd;
        stream.looping = sample->loopStyle != NoLoop;
        stream.forward = !instrument.reverse;
        stream.grain = instrument.grain;
        stream.silenced = instrumentChannel != -1 && channel != -1 && instrumentChannel != channel;
        stream.direction = instrument.reverse ? -1.0 : 1.0;
        stream.pitchPrefix = noteRatio * (instrument.rootRatio * instrument.tuneRatio) * bendRatio * rateRatio;
        stream.masterTune = masterTune;
        stream.gainLeft = gainLeft;
        stream.gainRight = gainRight;
        stream.interp = instrument.interpolate ? 1.0 : 0.0;
        stream.level = velocityLevel;
        stream.volume = instrument.volume;
        stream.depth = instrument.pitchEgDepth;
        stream.grainPeriod = instrument.grainPeriod;
        stream.grainJump = stream.direction * (instrument.grain ? instrument.grainAdvance : instrument.grainPeriod);
        stream.grainFade = 1.0;
        // Instruments render two at a time; see renderPair.
        if (waiting) {
            renderPair(first, second, startOffset, frames, mixLeft.data(), mixRight.data());
            waiting = false;
        } else {
            waiting = true;
        }
    });
    if (waiting) renderOne(first, startOffset, frames, mixLeft.data(), mixRight.data());

    level = instrumentCount > 0 ? velocityLevel * (volumeSum / instrumentCount) : 0.0;
    // One loop per side: the host may pass the same buffer for both.
    addScaled(outputs[0], mixLeft.data(), startOffset, frames, masterVolume);
    addScaled(outputs[1], mixRight.data(), startOffset, frames, masterVolume);
    if (allIdle && released) stop(note, velocity, 0, -1);
    startOffset = 0;
}
