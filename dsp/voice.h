// One sounding note. A voice plays its note on every instrument of the
// rack whose channel matches, keeping its playback state inside each
// instrument under its own slot number, and adds the mix to the outputs.
#pragma once

#include <vector>

class Quaxel2;
class Instrument;

class Voice {
public:
    Voice(int slot, Quaxel2* owner);

    void play(int note, int velocity, int deltaFrames, int channel);
    void doRelease(int note, int velocity, int deltaFrames, int channel);
    void stop(int note, int velocity, int deltaFrames, int channel);
    void process(float** outputs, int frames);
    // Frees a released voice whose volume envelopes have all ended, as a
    // rendered block would; true when it did.
    bool finishIfEnded();
    float velocityToLevel(int velocity) const;
    void setPitchBend(int lsb, int msb);
    // Follows a block-size change: cuts off a sounding note and takes the
    // new mix buffers, handing back the old ones for the caller to free.
    void adjustBufferSize(std::vector<float>& left, std::vector<float>& right);

    int slot;
    std::vector<float> mixLeft;
    std::vector<float> mixRight;
    double bendRatio = 1.0;
    double noteRatio = 1.0;
    double rateRatio = 1.0;
    float velocityLevel = 1.0f;
    int startOffset = 0;
    int note = -1;
    int velocity = -1;
    double level = 0.0;
    int channel = -1;
    bool active = false;
    bool released = false;

private:
    template <typename Visit>
    void forEachInstrument(Visit visit);

    Quaxel2* owner;
};
