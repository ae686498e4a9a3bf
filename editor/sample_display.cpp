#include "editor/sample_display.h"

#include <algorithm>
#include <cmath>

#include "contract/instrument_data.h"
#include "contract/sample_data.h"
#include "instruments/instrument.h"

SampleDisplay::SampleDisplay(SampleData* record) : record(record) {
    if (!record) return;
    record->columns = kColumns;
    record->viewStart = 0;
    record->framesPerColumn = 1.0;
    record->fullFramesPerColumn = 1.0;
}

int SampleDisplay::boundedColumns() const {
    const int room = channelCount() == 2 ? SampleData::kSecondChannelColumn : SampleData::kMaxColumns;
    return std::clamp<int>(record->columns, 0, room);
}

ShownSample ShownSample::of(Instrument* instrument) {
    const Sample* sample = instrument ? instrument->getSample(0, -1, -1) : nullptr;
    if (!sample) return {};
    const float* channel = sample->getBuffer(0);
    ShownSample shown{true,           channel,          channel ? std::max(sample->length, 0) : 0, sample->startPlay,
                      sample->loopStart, sample->loopEnd, sample->loopStyle != NoLoop};
    shown.secondFrames = sample->channels >= 2 ? sample->getBuffer(1) : nullptr;
    shown.sampleRate = sample->samplerate;
    return shown;
}

void SampleDisplay::setWaveform(const ShownSample& sample) {
    if (!record || !sample.present) return;
    frames.assign(sample.frames, sample.frames + sample.length);  // of() gives no length without frames
    if (sample.secondFrames)
        second.assign(sample.secondFrames, sample.secondFrames + sample.length);
    else
        std::vector<float>().swap(second);
    length = sample.length;
    for (int channel = 0; channel < 2; channel++) summaries[channel] = PeakSummary{};
    for (int channel = 0; channel < channelCount(); channel++) summaries[channel].build(channelFrames(channel), length);

    // The markers, the loop switch and the length are also written by the
    // sample bound to the record, under another lock: atomically, as are
    // all writes of those fields.
    writeShared(record->length, length);
    record->viewStart = 0;
    record->waveformReady = 1;
    writeShared(record->startPlay, sample.startPlay);
    writeShared(record->loopStart, sample.loopStart);
    writeShared(record->loopEnd, sample.loopEnd);
    writeShared<uint8_t>(record->loopOn, sample.loops ? 1 : 0);
    record->channels = static_cast<uint8_t>(channelCount());
    record->sampleRate = sample.sampleRate;
    const int columns = boundedColumns();
    const double zoom = columns > 0 ? static_cast<double>(length) / columns : 0.0;
    record->framesPerColumn = zoom;
    record->fullFramesPerColumn = zoom;
    processPeak();
}

void SampleDisplay::processPeak() {
    if (!record) return;
    const double zoom = record->framesPerColumn;
    if (!(zoom >= 1.0)) {
        processZoom2();
        return;
    }
    const int view = record->viewStart;
    if (!std::isfinite(zoom) || view < 0 || view >= length) {
        clearColumnsFrom(0);
        return;
    }
    // Column i covers the frames that begin within its span, from
    // view + i * zoom to view + (i + 1) * zoom; the tolerance keeps a
    // boundary that is a whole frame in exact arithmetic on that frame.
    auto boundary = [&](int column) {
        return static_cast<int>(std::min(std::ceil(view + column * zoom - 1e-6), static_cast<double>(length)));
    };
    const int columns = boundedColumns();
    int column = 0;
    for (int begin = view; column < columns && begin < length; column++) {
        const int end = std::max(boundary(column + 1), begin + 1);
        for (int channel = 0; channel < channelCount(); channel++) {
            float maximum = 0.0f, minimum = -0.0f;
            summaries[channel].span(channelFrames(channel), begin, end, minimum, maximum);
            record->maxPeaks[firstColumn(channel) + column] = maximum;
            record->minPeaks[firstColumn(channel) + column] = minimum;
        }
        begin = end;
    }
    // The columns past the sample's end show nothing.
    clearColumnsFrom(column);
}

void SampleDisplay::clearColumnsFrom(int column) {
    for (int channel = 0; channel < channelCount(); channel++)
        for (int i = std::max(column, 0); i < boundedColumns(); i++) {
            record->maxPeaks[firstColumn(channel) + i] = 0.0f;
            record->minPeaks[firstColumn(channel) + i] = 0.0f;
        }
}

void SampleDisplay::processZoom2() {
    if (!record) return;
    const int columns = boundedColumns();
    const int view = record->viewStart;
    const int end = std::min(readShared(record->length), length);  // never past the frames held
    const double zoom = record->framesPerColumn;
    if (columns <= 0 || view < 0 || view >= end || !(zoom >= 0.0) || !std::isfinite(zoom)) {
        clearColumnsFrom(0);
        return;
    }
    double x = view;
    int frame = view;
    for (int column = 0;; column++) {
        for (int channel = 0; channel < channelCount(); channel++) {
            record->minPeaks[firstColumn(channel) + column] = 0.0f;
            record->maxPeaks[firstColumn(channel) + column] = channelFrames(channel)[frame];
        }
        if (column == columns - 1) return;
        x += zoom;
        frame = static_cast<int>(x);
        if (frame >= end) {
            clearColumnsFrom(column + 1);
            return;
        }
    }
}
