#include "instruments/instrument.h"

#include "contract/parameter_tables.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "resources/builtin_waveforms.h"
#include "dsp/pitch_tables.h"
#include "dsp/sample_rate.h"

namespace {

std::atomic<std::uint64_t> nextSerial{0};

float defaultValue(int index) { return kInstrumentParameters[index].value; }

void copyField(char* area, int size, const std::string& text) {
    std::memset(area, 0, static_cast<std::size_t>(size));
    std::memcpy(area, text.data(), std::min(text.size(), static_cast<std::size_t>(size - 1)));
}

}  // namespace

Instrument::Instrument(int blockSize, int sampleRate) : serial(nextSerial.fetch_add(1) + 1) {
    meterLeft.assign(static_cast<std::size_t>(std::max(blockSize, 0)), 0.0f);
    pitchShape.setSustainLevel(0.0f);
    defaultSample.loadFromHeader(coin, coinFrames, 0);
    createParameters(kParameterCount);
    samplerate = usableSampleRate(sampleRate);
    // Parameters 0 to 9 already hold what their values mean.
    for (int i = kVolA; i <= kGrainAdvance; i++) setParameter(i, kInstrumentParameters[i].value);
}

Instrument::~Instrument() {
    currentSample = nullptr;
    if (data) writeShared(data->id, -1);
    // Buffers that loaders made belong to the instrument (every path
    // instrument, and the catalogue entries loaded from embedded sounds).
    for (int i = 0; i < sampleCount; i++) {
        samples[i]->releaseOwnedBuffers();
        delete samples[i];
    }
}

Sample* Instrument::getSample(int index, int /*note*/, int /*velocity*/) {
    if (index < 0 || index >= sampleCapacity) return &defaultSample;
    if (type == kFromCatalogue) currentSample = samples[0];
    if (currentSample) {
        rootRatio = currentSample->rootRatio;
        return currentSample;
    }
    rootRatio = 1.0;
    return &defaultSample;
}

void Instrument::addSample(Sample* sample, bool select) {
    if (!sample || sampleCount >= sampleCapacity) return;
    samples[sampleCount++] = sample;
    if (select) currentSample = sample;
}

void Instrument::setSemitone(float x) {
    const int index = playedStep(x, 48);
    semitone = index - 24;
    semitoneRatio = semitonesTab[index];
    updateTuneRatio();
}

void Instrument::setCent(float x) {
    const int index = playedStep(x, 200);
    cent = index - 100;
    centRatio = centsTab[index];
    updateTuneRatio();
}

void Instrument::setAttackVolume(float x) {
    volumeShape.setAttackRate(static_cast<float>(samplerate) * (1.5f * x));
}

void Instrument::setDecayVolume(float x) {
    volumeShape.setDecayRate(static_cast<float>(samplerate) * (4.0f * x));
}

void Instrument::setSustainVolume(float x) {
    volumeShape.setSustainLevel(x);
}

void Instrument::setReleaseVolume(float x) {
    volumeShape.setReleaseRate(static_cast<float>(samplerate) * (3.75f * x + 0.25f));
}

void Instrument::setAttackPitch(float x) {
    pitchShape.setAttackRate(static_cast<float>(samplerate) * (2.0f * x));
}

void Instrument::setDecayPitch(float x) {
    pitchShape.setDecayRate(static_cast<float>(samplerate) * (8.0f * x));
}

void Instrument::setReleasePitch(float x) {
    pitchShape.setReleaseRate(static_cast<float>(samplerate) * (4.0f * x));
}

void Instrument::setPitchEgDepth(float x) {
    float depth = 0.0f;
    if (x > 0.5f)
        depth = (x - 0.5f) * 2.0f * 2.0f;
    else if (x < 0.5f)
        depth = -(1.0f - 2.0f * x) * 0.5f;
    pitchEgDepth = depth;
}

void Instrument::setSamplerate(int rate) { samplerate = usableSampleRate(rate); }

void Instrument::setParameter(int index, float value) {
    if (index < 0 || index >= parameterCount) return;
    // The value is kept as given, so that states round-trip exactly; the
    // sound takes it within 0..1, and NaN as silence or the default.
    parameters[index].value = value;
    if (data) data->parameterRecord[index].value = value;
    const float x = applicable(value, index == kVolume ? 0.0f : defaultValue(index));
    switch (index) {
        case kVolume: volume = x; break;
        case kPan: pan = x; break;
        case kTune: setSemitone(x); break;
        case kFinetune: setCent(x); break;
        case kLoop:
            if (type != kFromCatalogueWithoutMarkers) getSample(0, -1, -1)->setLoopStyle(x > 0.5f ? Loop : NoLoop);
            break;
        case kVolA: setAttackVolume(x); break;
        case kVolD: setDecayVolume(x); break;
        case kVolS: setSustainVolume(x); break;
        case kVolR: setReleaseVolume(x); break;
        case kPitchA: setAttackPitch(x); break;
        case kPitchD: setDecayPitch(x); break;
        case kPitchR: setReleasePitch(x); break;
        case kPitchEg: setPitchEgDepth(x); break;
        case kReverse: reverse = x > 0.5f; break;
        case kInterpolate: interpolate = x > 0.5f; break;
        case kGrain: grain = x > 0.5f; break;
        case kGrainAdvance:
            grainAdvanceF = (1.0f - x) * static_cast<float>(grainPeriod / 2 - 2) + 2.0f;
            break;
        default: break;  // editor switches: stored only
    }
}

float Instrument::getParameter(int index) const {
    return index >= 0 && index < parameterCount ? parameters[index].value.load() : 0.0f;
}

void Instrument::createParameters(int count) {
    parameters.assign(static_cast<std::size_t>(std::max(count, 0)), Parameter{});
    for (int i = 0; i < count && i < kParameterCount; i++) {
        const InstrumentParameterInfo& d = kInstrumentParameters[i];
        parameters[i] = Parameter{d.steps, d.offset, d.mark, d.value, d.name};
    }
    parameterCount = count;
}

void Instrument::setId(int newId) {
    id = newId;
    if (data) writeShared(data->id, newId);
}

void Instrument::initData(InstrumentData* record) {
    data = record;
    if (!record) return;
    copyField(record->name, InstrumentData::kNameSize, name);
    copyField(record->path, InstrumentData::kPathSize, path);
    writeShared<uint8_t>(record->deleteRequest, 0);
    record->peak = 0.0f;
    record->flags = markersFixed() ? InstrumentData::kMarkersFixed : 0;
    record->parameterCount = kParameterCount;
    // The record shows the instrument as it is: its defaults when new, the
    // values and channel a program gave it when built for one.
    writeShared(record->midiChannel, midiChannel);
    for (int i = 0; i < parameterCount && i < kParameterCount; i++) parameters[i].writeTo(record->parameterRecord[i]);
    writeShared(record->id, id, std::memory_order_release);
}
