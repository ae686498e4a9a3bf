// The master echo: a mono-fed delay line with feedback whose output is added
// to both channels, equally or alternating sides ("pingpong"). Its length is
// a fraction of a second or a note value of the host tempo. When the length
// changes while the echo runs, the echo crossfades from the old tap to the
// new one in 20 ms, so that a tempo ramp or a turned knob does not click.
#pragma once

#include <vector>

#include "contract/parameter_map.h"
#include "dsp/sample_rate.h"
#include "programs/parameter.h"

class Delay {
public:
    using enum parameter_map::delay::Number;  // kTime, kFeedback, kVolume, ...
    static constexpr int kParameterCount = parameter_map::kDelayCount;

    // The line holds four seconds and a frame at the sample rate: two beats
    // at 30 bpm. Lengths of a full line or more are refused.
    static constexpr int kLineSeconds = 4;
    // Rates outside what instruments play at are taken as 44100.
    static int lineFramesFor(int rate) { return kLineSeconds * usableSampleRate(rate) + 1; }

    explicit Delay(int sampleRate = 44100);

    // Builds `count` parameters with the Parameter defaults, then names and
    // presets the first seven as contract/parameter_tables.h gives them.
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
    // Length from a normalised value: a fraction of one second, or when
    // synced a note value from 1/64 beat (x < 1/8) to 2 beats; above 1 is 1.
    void setTimeF(float x);
    void setSync(float x);
    void setActive(bool on);
    // Gains are used clamped to 0..1 (NaN as 0) so the line cannot run away.
    void setVolume(float volume);
    void setFeedback(float gain);
    // A new sample rate with a line of lineFramesFor(rate) frames, which
    // is swapped in (the old one is handed back for the caller to free, so
    // that this allocates nothing). The line starts silent; a free length
    // keeps its time in seconds. A synced length follows with the next
    // setSamplePerBeat. A line of the wrong size leaves everything as it was.
    void setSampleRate(int rate, std::vector<float>& line);
    // Beat length from tempo (bpm) and sample rate; ignored unless both are
    // positive and finite. A synced length follows it at once.
    void setSamplePerBeat(double tempo, double rate);

    // Adds the echo in place to outputs[0] and outputs[1]; nothing while off.
    void process(float** outputs, int frames);

    int getTime() const { return time; }
    int getCapacity() const { return capacity; }
    int getSampleRate() const { return sampleRate; }
    bool isActive() const { return active; }
    bool isSynced() const { return sync; }
    double getSamplesPerBeat() const { return samplesPerBeat; }

private:
    // The echo of frame i: the line `time` frames back, while a length
    // change fades in blended with the tap at `previousTime`.
    float readEcho() const;

    ParameterRecord* sharedRecords = nullptr;
    std::vector<float> delayLine;
    int capacity;
    int cursor = 0;  // write index into the whole line
    int time = 1;    // 1 <= time < capacity: the echo is read this far back
    int previousTime = 1;
    float tapFade = 0.0f;  // weight of previousTime's tap, falling to 0 in 20 ms
    int passFrames = 0;    // frames into the current pass of `time` frames
    float feedback = 0.0f;
    float wetVolume = 0.0f;
    int sampleRate;
    bool active = false;
    bool sync = true;
    double samplesPerBeat = 22050.0;
    bool pingpong = false;
    bool side = false;
    float crossfade = 0.0f;
    std::vector<Parameter> parameters;
    int parameterCount = 0;
};
