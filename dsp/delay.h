// The master echo: a mono-fed delay line with feedback whose output is added
// to both channels, equally or alternating sides ("pingpong"). Its length is
// a fraction of the line or a note value of the host tempo.
#pragma once

#include <vector>

#include "programs/parameter.h"

class Delay {
public:
    enum ParameterIndex { kTime = 0, kFeedback, kVolume, kSpread, kActive, kSync, kPingpong, kDefault };
    static constexpr int kParameterCount = 8;

    // The line holds `lineFrames` frames (at least 2); lengths of a full
    // line or more are refused.
    explicit Delay(int lineFrames);

    // Builds `count` parameters with the Parameter defaults, then names and
    // presets the first seven.
    void createParameter(int count);
    // Writes value and display hints of shared records 0 to 6 (no-op unbound).
    void initData();
    // The delay's 8 records in the shared block; null means none.
    void setSharedRecords(ParameterRecord* records) { sharedRecords = records; }

    // Mirrors x unchanged into the shared record, applies it, and keeps the
    // applied value (0 or 1 for the switches). Indexes outside the count are ignored.
    void setParameter(int index, float x);
    float getParameter(int index) const;
    const char* getParameterName(int index) const;
    int getParameterCount() const { return parameterCount; }
    Parameter* getParameters() { return parameters.data(); }

    // Length in frames; <= 0 gives 1 frame, >= capacity is ignored.
    void setTime(int frames);
    // Length from a normalised value: a fraction of the line, or when synced
    // a note value from 1/64 beat (x < 1/8) to 2 beats.
    void setTimeF(float x);
    void setSync(float x);
    void setActive(bool on);
    // Gains are used clamped to 0..1 (NaN as 0) so the line cannot run away.
    void setVolume(float volume);
    void setFeedback(float gain);
    // Rate the ping-pong crossfade is timed by; rates <= 0 are ignored.
    void setSampleRate(int rate);
    // Beat length from tempo (bpm) and sample rate; ignored unless both are
    // positive and finite. The length is recomputed only by the next time
    // or sync change.
    void setSamplePerBeat(double tempo, double rate);

    // Adds the echo in place to outputs[0] and outputs[1]; nothing while off.
    void process(float** outputs, int frames);

    int getTime() const { return time; }
    bool isActive() const { return active; }
    bool isSynced() const { return sync; }
    double getSamplesPerBeat() const { return samplesPerBeat; }

private:
    ParameterRecord* sharedRecords = nullptr;
    std::vector<float> delayLine;
    int capacity;
    int cursor = 0;
    int time = 1;  // 1 <= time < capacity, so cursor stays inside the line
    float feedback = 0.0f;
    float wetVolume = 0.0f;
    int sampleRate = 44100;
    bool active = false;
    bool sync = true;
    double samplesPerBeat = 22050.0;
    bool pingpong = false;
    bool side = false;
    float crossfade = 0.0f;
    std::vector<Parameter> parameters;
    int parameterCount = 0;
};
