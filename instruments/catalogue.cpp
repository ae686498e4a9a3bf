#include "instruments/catalogue.h"

#include <mutex>
#include <string>

#include "instruments/instrument.h"
#include "resources/builtin_catalogue.h"

static_assert(kCatalogueSize == kCatalogueEntries);

const char** internalInstrumentName = nullptr;

namespace {

constexpr int kFallbackFrames = 20107;  // of the default waveform
constexpr int kLoopingResourceId = 54;
constexpr int kLoopingResourceLoopStart = 12443;

}  // namespace

void makeName() {
    // Every plug-in object asks for the table; it is the same each time, so
    // it is filled once, whichever thread constructs first.
    static const char* names[kCatalogueEntries];
    static std::once_flag filled;
    std::call_once(filled, [] {
        for (int i = 0; i < kCatalogueEntries; i++) names[i] = kCatalogue[i].name;
        internalInstrumentName = names;
    });
}

void Instrument::loadFromId(int entryId, int newType) {
    type = newType;
    auto* sample = new Sample;
    if (entryId >= 0 && entryId < kCatalogueEntries) {
        const CatalogueEntry& entry = kCatalogue[entryId];
        if (entry.resource) {
            sample->loadFromResource(entry.resource);
            if (entryId == kLoopingResourceId) {
                sample->setLoopStyle(Loop);
                sample->setLoopStart(kLoopingResourceLoopStart);
            }
        } else {
            sample->loadFromHeader(entry.left, entry.frames, 0);
            if (entry.channels == 2) sample->loadFromHeader(entry.right, entry.frames, 1);
            if (entry.startPlay != 0) sample->setStartPlay(entry.startPlay);
            if (entry.rootNote != 60) sample->setRootNote(entry.rootNote);
        }
        name = entry.name;
    } else {
        sample->loadFromHeader(coin, kFallbackFrames, 0);
        name = "coin";
    }
    if (type == kFromCatalogue || type == kFromCatalogueWithoutMarkers) {
        addSample(sample, true);
    } else {
        sample->releaseOwnedBuffers();
        delete sample;
    }
}

void Instrument::loadFromName(const std::string& wanted) {
    for (int i = 0; i < kCatalogueEntries; i++)
        if (wanted == kCatalogue[i].name) return loadFromId(i, 0);
    if (wanted == kCatalogueAlias) loadFromId(kCatalogueAliasId, 0);
}
