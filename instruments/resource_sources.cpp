// Filling samples from the RIFF WAVE images compiled into the plug-in.
#include <string>

#include "instruments/channel_buffers.h"
#include "instruments/sample.h"
#include "instruments/sample_limits.h"
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
    const WaveFile wave(resource->data, static_cast<std::size_t>(resource->size));
    if (wave.tooLong) {
        reportSampleTooLong(name);
        refusedTooLong = true;
    }
    if (wave.frames <= 0 || !wave.supported()) return false;
    ChannelBuffers frames(wave.channels, wave.frames);
    if (!frames.makeRoom(wave.frames)) return false;
    for (int c = 0; c < wave.channels; c++) wave.read(frames.next(c), wave.frames, c);
    frames.advance(wave.frames);
    if (!frames.giveTo(*this, wave.sampleRate, name)) return false;
    adjustRootNote(name);
    return true;
}
