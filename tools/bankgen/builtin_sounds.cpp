#include "tools/bankgen/builtin_sounds.h"

#include <cstddef>

#include "instruments/wave_file.h"
#include "resources/builtin_catalogue.h"
#include "resources/builtin_loops.h"
#include "resources/builtin_resources.h"

namespace bankgen {

namespace {

// The catalogue loops this entry's resource from kOctavePadLoopStart.
constexpr int kLoopingEntry = 54;

int32_t resourceFrames(std::string_view name) {
    const int index = resourceIndex(name);
    if (index < 0) return 0;
    const EmbeddedResource& resource = kEmbeddedResources[index];
    return WaveFile(resource.data, static_cast<std::size_t>(resource.size)).frames;
}

}  // namespace

int catalogueId(std::string_view name) {
    for (int id = 0; id < kCatalogueSize; id++)
        if (name == kCatalogue[id].name) return id;
    return -1;
}

int resourceIndex(std::string_view name) {
    for (int i = 0; i < kEmbeddedResourceCount; i++)
        if (name == kEmbeddedResources[i].name) return i;
    return -1;
}

SampleMarkers catalogueMarkers(int id) {
    const CatalogueEntry& entry = kCatalogue[id];
    if (entry.resource) {
        const SampleMarkers own = resourceMarkers(resourceIndex(entry.resource));
        return id == kLoopingEntry ? SampleMarkers{0, kOctavePadLoopStart, own.loopEnd} : own;
    }
    const SustainLoopPoints& loop = kCatalogueLoops[id];
    if (loop.end > 0) return {entry.startPlay, loop.start, loop.end};
    return {entry.startPlay, 0, entry.frames - 1};
}

SampleMarkers resourceMarkers(int index) {
    const SustainLoopPoints& loop = kResourceLoops[index];
    if (loop.end > 0) return {0, loop.start, loop.end};
    return {0, 0, resourceFrames(kEmbeddedResources[index].name) - 1};
}

}  // namespace bankgen
