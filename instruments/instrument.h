// One playable layer: a sample, volume, pan, tuning, the shapes of its
// volume and pitch envelopes, playback switches and a MIDI channel, driven
// by 22 normalised parameters. Where each voice is in it, the voice keeps.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dsp/adsr.h"
#include "instruments/instrument_data.h"
#include "instruments/sample.h"
#include "programs/parameter.h"

class Instrument {
public:
    static constexpr int kParameterCount = 22;  // described in instrument_parameters.h
    static constexpr int kSampleCapacity = 256;

    // How an instrument was made, which says how programs remake it.
    enum Type : int {
        kFromCatalogue = 0,                // from the catalogue by name
        kFromCatalogueWithoutMarkers = 1,  // the same, its loop switch and markers neither applied nor kept
        kFromPath = 2,                 // around a sample file or embedded sound; owns its buffers
    };

    // Parameter numbers.
    enum : int {
        kVolume, kPan, kTune, kFinetune, kShowwave, kLoop, kGlobal, kVolEg, kPitEg, kSpecial,
        kVolA, kVolD, kVolS, kVolR, kPitchA, kPitchD, kPitchR, kPitchEg, kReverse, kInterpolate,
        kGrain, kGrainAdvance
    };

    Instrument(int blockSize, int sampleRate);
    ~Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // The current sample (index 0 is the only one used); the default
    // waveform when there is none. Refreshes rootRatio.
    Sample* getSample(int index, int note, int velocity);
    void addSample(Sample* sample, bool select);
    void setSemitone(float x);
    void setCent(float x);
    void setAttackVolume(float x);
    void setDecayVolume(float x);
    void setSustainVolume(float x);
    void setReleaseVolume(float x);
    void setAttackPitch(float x);
    void setDecayPitch(float x);
    void setReleasePitch(float x);
    void setPitchEgDepth(float x);
    void setSamplerate(int rate);
    void setParameter(int index, float x);
    float getParameter(int index) const;
    void createParameters(int count);
    // Takes a new meter buffer for a new block size, handing back the old
    // one for the caller to free.
    void adjustBufferSize(std::vector<float>& meter) { meterBuffer.swap(meter); }
    void setId(int newId);
    void initData(InstrumentData* record);
    // Fill the instrument from the built-in catalogue, by number or by name.
    void loadFromId(int id, int type);
    void loadFromName(const std::string& name);
    int getParameterCount() const { return parameterCount; }
    // The MIDI channel it answers: the one the editor shows (and may have
    // changed) when it has a shared record, else its own.
    int answeredChannel() const { return data ? readShared(data->midiChannel) : midiChannel; }
    const std::string& getParameterName(int index) const { return parameters[index].name; }

    int type = kFromCatalogue;  // a Type; programs may carry other values, which remake nothing
    InstrumentData* data = nullptr;
    int id = 0;
    int sampleCapacity = kSampleCapacity;
    int sampleCount = 0;
    std::array<Sample*, kSampleCapacity> samples{};
    Sample* currentSample = nullptr;
    Sample defaultSample;
    float pan = 0.5f;
    float semitoneRatio = 1.0f;
    float centRatio = 1.0f;
    double rootRatio = 1.0;
    int semitone = 0;
    int cent = 0;
    double tuneRatio = 1.0;
    float volume = 1.0f;
    std::vector<float> meterBuffer;
    // Rates and levels of the envelopes every voice runs on this layer.
    ADSR volumeShape;
    ADSR pitchShape;
    double pitchEgDepth = 1.0;
    bool reverse = false;
    bool interpolate = false;
    bool grain = false;
    std::string name;
    std::string path;
    std::vector<Parameter> parameters;
    int parameterCount = 0;
    int samplerate = 44100;
    int grainPeriod = 1000;
    float grainAdvanceF = 0.0f;
    int midiChannel = -1;
    // Stands in for an instrument whose sample file could not be read: it
    // keeps its place, values and markers so that saving gives them back,
    // and plays nothing.
    bool missing = false;
    // Whether marker changes are neither applied nor kept: a built-in sound
    // whose markers the catalogue fixes, or a stand-in for a missing file.
    bool markersFixed() const { return type == kFromCatalogueWithoutMarkers || missing; }
    // Never reused within the process: voices know their state by it.
    const std::uint64_t serial;

private:
    void updateTuneRatio() { tuneRatio = semitoneRatio * centRatio; }
};
