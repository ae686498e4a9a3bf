// One playable layer: a sample, volume, pan, tuning, the shapes of its
// volume and pitch envelopes, playback switches and a MIDI channel, driven
// by normalised parameters (contract/parameter_tables.h). These fields are
// the render's input, owned by the rack; the engine gathers them into each
// block's VoiceLayer (dsp/voice_layer.h). Where each voice is in it, the
// voice keeps (LayerPlayback, dsp/voice.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "contract/instrument_data.h"
#include "contract/parameter_map.h"
#include "dsp/adsr.h"
#include "instruments/sample.h"
#include "programs/parameter.h"

class Instrument {
public:
    static constexpr int kParameterCount = parameter_map::kPerInstrument;  // described in contract/parameter_tables.h
    static constexpr int kSampleCapacity = 256;

    // How an instrument was made, which says how programs remake it.
    enum Type : int {
        kFromCatalogue = 0,                // from the catalogue by name
        kFromCatalogueWithoutMarkers = 1,  // the same, its loop switch and markers neither applied nor kept
        kFromPath = 2,                 // around a sample file or embedded sound; owns its buffers
    };

    // Parameter numbers: kVolume, kPan, kTune, ...
    using enum parameter_map::instrument::Number;

    Instrument(int blockSize, int sampleRate);
    ~Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // The current sample (index 0 is the only one used); the default
    // waveform when there is none. Refreshes rootRatio.
    Sample* getSample(int index, int note, int velocity) REQUIRES(instrumentAccess);
    void addSample(Sample* sample, bool select) REQUIRES(instrumentAccess);
    void setSemitone(float x) REQUIRES(instrumentAccess);
    void setCent(float x) REQUIRES(instrumentAccess);
    void setAttackVolume(float x) REQUIRES(instrumentAccess);
    void setDecayVolume(float x) REQUIRES(instrumentAccess);
    void setSustainVolume(float x) REQUIRES(instrumentAccess);
    void setReleaseVolume(float x) REQUIRES(instrumentAccess);
    void setAttackPitch(float x) REQUIRES(instrumentAccess);
    void setDecayPitch(float x) REQUIRES(instrumentAccess);
    void setReleasePitch(float x) REQUIRES(instrumentAccess);
    void setPitchEgDepth(float x) REQUIRES(instrumentAccess);
    void setSamplerate(int rate) REQUIRES(instrumentAccess);
    void setParameter(int index, float x) REQUIRES(instrumentAccess);
    float getParameter(int index) const;
    void createParameters(int count) REQUIRES(instrumentAccess);
    // Takes a new meter buffer for a new block size, handing back the old
    // one for the caller to free.
    void adjustBufferSize(std::vector<float>& meter) REQUIRES(instrumentAccess) { meterLeft.swap(meter); }
    void setId(int newId) REQUIRES(instrumentAccess);
    void initData(InstrumentData* record) REQUIRES(instrumentAccess);
    // Fill the instrument from the built-in catalogue, by number or by name.
    void loadFromId(int id, int type) REQUIRES(instrumentAccess);
    void loadFromName(const std::string& name) REQUIRES(instrumentAccess);
    int getParameterCount() const { return parameterCount; }
    // The MIDI channel it answers: the one the editor shows (and may have
    // changed) when it has a shared record, else its own.
    int answeredChannel() const REQUIRES(instrumentAccess) { return data ? readShared(data->midiChannel) : midiChannel; }
    const std::string& getParameterName(int index) const { return parameters[index].name; }

    int type = kFromCatalogue;  // a Type; programs may carry other values, which remake nothing
    InstrumentData* data GUARDED_BY(instrumentAccess) = nullptr;
    int id GUARDED_BY(instrumentAccess) = 0;
    int sampleCapacity = kSampleCapacity;
    int sampleCount = 0;
    std::array<Sample*, kSampleCapacity> samples{};
    Sample* currentSample GUARDED_BY(instrumentAccess) = nullptr;
    Sample defaultSample;
    float pan GUARDED_BY(instrumentAccess) = 0.5f;
    float semitoneRatio GUARDED_BY(instrumentAccess) = 1.0f;
    float centRatio GUARDED_BY(instrumentAccess) = 1.0f;
    double rootRatio GUARDED_BY(instrumentAccess) = 1.0;
    int semitone GUARDED_BY(instrumentAccess) = 0;
    int cent GUARDED_BY(instrumentAccess) = 0;
    double tuneRatio GUARDED_BY(instrumentAccess) = 1.0;
    float volume GUARDED_BY(instrumentAccess) = 1.0f;
    // The sound of the instrument's left channel in the block, summed over
    // the voices, for its level meter (the right channel is not metered).
    std::vector<float> meterLeft GUARDED_BY(instrumentAccess);
    // Rates and levels of the envelopes every voice runs on this layer.
    ADSR volumeShape GUARDED_BY(instrumentAccess);
    ADSR pitchShape GUARDED_BY(instrumentAccess);
    double pitchEgDepth GUARDED_BY(instrumentAccess) = 1.0;
    bool reverse GUARDED_BY(instrumentAccess) = false;
    bool interpolate GUARDED_BY(instrumentAccess) = false;
    bool grain GUARDED_BY(instrumentAccess) = false;
    std::string name;
    std::string path;
    // Made with the instrument; its values are atomics that other threads
    // read without a lock.
    std::vector<Parameter> parameters;
    int parameterCount = 0;
    int samplerate GUARDED_BY(instrumentAccess) = 44100;
    int grainPeriod GUARDED_BY(instrumentAccess) = 1000;
    float grainAdvanceF GUARDED_BY(instrumentAccess) = 0.0f;
    int midiChannel GUARDED_BY(instrumentAccess) = -1;
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
    void updateTuneRatio() REQUIRES(instrumentAccess) { tuneRatio = semitoneRatio * centRatio; }
};
