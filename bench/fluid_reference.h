// The reference the render benchmarks measure against: FluidSynth's
// library with linear interpolation and its reverb and chorus off, playing
// held, looping notes from the General MIDI sound font that Debian ships.
// Only the benchmarks use it; the plug-in never does.
#pragma once

#include <memory>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

// CPU time of the calling thread: what both sides are compared by, so that
// other work on a shared machine counts against neither.
double threadCpuNs();

class FluidReference {
public:
    // Starts notes until `voices` voices sound (or the sound font is missing).
    explicit FluidReference(int voices);
    ~FluidReference();
    FluidReference(const FluidReference&) = delete;
    FluidReference& operator=(const FluidReference&) = delete;

    bool ready() const { return synth != nullptr && voices() > 0; }
    int voices() const;
    // Renders `blocks` blocks of `frames` frames; nanoseconds per voice-frame.
    double nsPerVoiceFrame(int blocks, int frames);

private:
    _fluid_hashtable_t* settings = nullptr;
    _fluid_synth_t* synth = nullptr;
    std::vector<float> left, right;
};
