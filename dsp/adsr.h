// Attack/decay/sustain/release envelope. Each stage is a one-pole exponential
// segment that aims past its target by a small overshoot (the target ratio)
// and is cut off where it crosses the target, so every stage ends in finite
// time. Rates are counted in frames.
#pragma once

class ADSR {
public:
    enum State { envIdle = 0, envAttack = 1, envDecay = 2, envSustain = 3, envRelease = 4 };

    // Public: the voice renderer steps envelopes inline, frame by frame.
    int state;
    float output;
    float attackRate;
    float decayRate;
    float releaseRate;
    float attackCoef;
    float decayCoef;
    float releaseCoef;
    float sustainLevel;
    float targetRatioA;
    float targetRatioDR;
    float attackBase;
    float decayBase;
    float releaseBase;

    // Idle at 0, rates 0, sustain 1.0, attack ratio 0.3, decay/release ratio 0.0001.
    ADSR();

    // Per-frame multiplier with which a stage starting at 0 and aiming at
    // 1 + ratio reaches 1 after exactly `rate` frames. A rate of 0 or below
    // (or NaN) gives 0: the stage reaches its target in one step.
    static float calcCoef(float rate, float targetRatio);

    void setAttackRate(float rate);
    void setDecayRate(float rate);
    void setReleaseRate(float rate);
    void setSustainLevel(float level);
    // Ratios below 1e-9 (and NaN) are raised to 1e-9. Only the bases move;
    // the coefficients keep the ratio of their last rate change.
    void setTargetRatioA(float ratio);
    void setTargetRatioDR(float ratio);

    // Advances one frame and returns the new output.
    float step() {
        switch (state) {
            case envAttack:
                output = output * attackCoef + attackBase;
                if (output >= 1.0f) {
                    output = 1.0f;
                    state = envDecay;
                }
                break;
            case envDecay:
                output = output * decayCoef + decayBase;
                if (output <= sustainLevel) {
                    output = sustainLevel;
                    state = envSustain;
                }
                break;
            case envRelease:
                output = output * releaseCoef + releaseBase;
                if (output <= 0.0f) {
                    output = 0.0f;
                    state = envIdle;
                }
                break;
            default:  // idle and sustain hold
                break;
        }
        return output;
    }

    // On: attack from the current output (a retrigger rises from where it is).
    // Off: release, unless idle.
    void gate(bool on) {
        if (on) {
            state = envAttack;
        } else if (state != envIdle) {
            state = envRelease;
        }
    }

    // Takes rates, levels and ratios from `shape`, keeping this envelope's
    // stage and output: the envelopes of a layer follow its settings.
    void takeShape(const ADSR& shape) {
        const int keptState = state;
        const float keptOutput = output;
        *this = shape;
        state = keptState;
        output = keptOutput;
    }

    void reset() {
        state = envIdle;
        output = 0.0f;
    }
};

static_assert(sizeof(ADSR) == 14 * 4, "ADSR is a record of fourteen 32-bit fields");
