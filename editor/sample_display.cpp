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

int SampleDisplay::boundedColumns() const { return std::clamp<int>(record->columns, 0, SampleData::kMaxColumns); }

ShownSample ShownSample::of(Instrument* instrument) {
    const Sample* sample = instrument ? instrument->getSample(0, -1, -1) : nullptr;
    if (!sample) return {};
    const float* channel = sample->getBuffer(0);
    return {true,          channel,          channel ? std::max(sample->length, 0) : 0, sample->startPlay,
            sample->loopStart, sample->loopEnd, sample->loopStyle != NoLoop};
}

void SampleDisplay::setWaveform(const ShownSample& sample) {
    if (!record || !sample.present) return;
    frames.assign(sample.frames, sample.frames + sample.length);  // of() gives no length without frames
    buffer = frames.data();
    length = sample.length;

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
    if (!std::isfinite(zoom)) {
        clearColumnsFrom(0);
        return;
    }
    // About 200 frames examined per column, however wide the column.
    const double stride = zoom / 200.0;
    int step = stride >= length ? std::max(length, 1) : static_cast<int>(stride);
    if (step == 0) step = 1;

    const int columns = boundedColumns();
    int position = record->viewStart;
    if (position < 0 || position >= length) {
        clearColumnsFrom(0);
        return;
    }
    float maximum = 0.0f, minimum = -0.0f;
    double consumed = 0.0;
    int column = 0;
    while (position < length) {
        if (consumed >= zoom) {
            if (column >= columns) return;  // every column is written
            record->maxPeaks[column] = maximum;
            record->minPeaks[column] = minimum;
            column++;
            consumed -= zoom;
            maximum = 0.0f;
            minimum = -0.0f;
        }
        const float frame = buffer[position];
        position += std::min(step, length - position);
        if (frame < minimum) minimum = frame;
        if (frame > maximum) maximum = frame;
        consumed += step;
    }
    // The sample ended within this column: it shows the frames it got, and
    // the columns past the end show nothing.
    if (column < columns) {
        record->maxPeaks[column] = maximum;
        record->minPeaks[column] = minimum;
        column++;
    }
    clearColumnsFrom(column);
}

void SampleDisplay::clearColumnsFrom(int column) {
    for (int i = std::max(column, 0); i < boundedColumns(); i++) {
        record->maxPeaks[i] = 0.0f;
        record->minPeaks[i] = 0.0f;
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
        record->minPeaks[column] = 0.0f;
        record->maxPeaks[column] = buffer[frame];
        if (column == columns - 1) return;
        x += zoom;
        frame = static_cast<int>(x);
        if (frame >= end) {
            clearColumnsFrom(column + 1);
            return;
        }
    }
}
