#include "instruments/sample.h"

#include "contract/instrument_data.h"
#include "dsp/pitch_tables.h"

float* Sample::getBuffer(int channel) const {
    if (channel < 0 || channel >= kMaxChannels) return nullptr;
    return buffers[channel];
}

void Sample::setLoopStyle(LoopStyle style) {
    loopStyle = style;
    if (sampleData) writeShared<uint8_t>(sampleData->loopOn, style != NoLoop ? 1 : 0);
}

void Sample::setLoopStart(int frame) {
    if (frame < 0) frame = 0;
    if (frame >= loopEnd) frame = loopEnd - 1 < 0 ? 0 : loopEnd - 1;
    loopStart = frame;
    if (sampleData) writeShared(sampleData->loopStart, frame);
}

void Sample::setLoopEnd(int frame) {
    if (frame >= length) frame = length - 1;
    if (frame <= loopStart) frame = loopStart + 1;
    loopEnd = frame;
    if (sampleData) writeShared(sampleData->loopEnd, frame);
}

void Sample::setStartPlay(int frame) {
    if (frame < 0) frame = 0;
    if (frame >= length) frame = length - 1;
    startPlay = frame;
    if (sampleData) writeShared(sampleData->startPlay, frame);
}

void Sample::setRootNote(int note) { rootRatio = semitoneRatio(60 - note); }

void Sample::setSampleData(SampleData* record) {
    sampleData = record;
    if (!record) return;
    writeShared(record->loopStart, loopStart);
    writeShared(record->startPlay, startPlay);
    writeShared(record->loopEnd, loopEnd);
    writeShared<uint8_t>(record->loopOn, loopStyle != NoLoop ? 1 : 0);
    writeShared(record->length, length);
}

void Sample::loadFromHeader(const float* data, int frames, int channel) {
    if (channel < 0 || channel >= kMaxChannels) return;
    // Borrowed arrays are program data: nothing ever writes through them.
    buffers[channel] = const_cast<float*>(data);
    length = frames;
    if (channel >= channels) channels = channel + 1;
    loopEnd = frames - 1;
}

void Sample::releaseOwnedBuffers() {
    if (!ownsBuffers) return;
    for (float*& buffer : buffers) {
        delete[] buffer;
        buffer = nullptr;
    }
    ownsBuffers = false;
}
