// Filling samples from the RIFF WAVE images compiled into the plug-in.
#include <new>
#include <string>

#include "instruments/sample.h"
#include "instruments/wave_file.h"
#include "resources/builtin_resources.h"

namespace {

const EmbeddedResource* findResource(const std::string& name) {
    for (const EmbeddedResource& resource : kEmbeddedResources)
        if (name == resource.name) return &resource;
    return nullptr;
}

}  // namespace

const unsigned char* Sample::pathToBuffer(const std::string& name) {
    const EmbeddedResource* resource = findResource(name);
    return resource ? resource->data : nullptr;
}

void Sample::adjustRootNote(const std::string& name) {
    for (const ResourceRootNote& entry : kResourceRootNotes)
        if (name == entry.name) {
            setRootNote(entry.rootNote);
            return;
        }
}

bool Sample::loadFromResource(const std::string& name) {
    const EmbeddedResource* resource = findResource(name);
    if (!resource) return false;
    WaveFile wave(resource->data, static_cast<std::size_t>(resource->size));
    channels = wave.channels;
    length = wave.frames;
    samplerate = wave.sampleRate;
    if (wave.frames <= 0 || wave.channels <= 0 || !wave.supported()) return false;
    float* filled[2] = {nullptr, nullptr};
    for (int c = 0; c < wave.channels; c++) {
        filled[c] = new (std::nothrow) float[static_cast<std::size_t>(wave.frames) + 16]();
        if (!filled[c]) {
            delete[] filled[0];
            return false;
        }
        wave.read(filled[c], wave.frames, c);
        filled[c][wave.frames] = filled[c][0];
    }
    for (int c = 0; c < wave.channels; c++) buffers[c] = filled[c];
    loopEnd = length - 1;
    ownsBuffers = true;
    adjustRootNote(name);
    return true;
}
