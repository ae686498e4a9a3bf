// New instruments from catalogue names and sample paths, and the shared
// records through which the editor program sees them. Instruments are built
// without any lock (loading may read files) and join the rack under the
// engine lock.
#include <cstdio>
#include <memory>
#include <mutex>

#include "dsp/sample_rate.h"
#include "instruments/instrument.h"
#include "instruments/path_names.h"
#include "synth/quaxel2.h"

namespace {


}  // namespace

std::unique_ptr<Instrument> Quaxel2::makeInstrumentFromString(const std::string& name) {
    auto instrument = std::make_unique<Instrument>(engine.getRenderBlockSize(), wholeSampleRate(sampleRate));
    instrument->loadFromName(name);
    return instrument;
}

std::unique_ptr<Instrument> Quaxel2::makeInstrumentFromPath(const std::string& path, bool* refusedTooLong) {
    auto instrument = std::make_unique<Instrument>(engine.getRenderBlockSize(), wholeSampleRate(sampleRate));
    auto sample = std::make_unique<Sample>();
    const bool loaded = starts_with(path, ":/Resources/") ? sample->loadFromResource(path) : sample->load(path);
    if (!loaded) {
        if (refusedTooLong) *refusedTooLong = sample->refusedTooLong;
        sample->releaseOwnedBuffers();
        return nullptr;
    }
    instrument->name = instrumentNameFromPath(path);
    instrument->addSample(sample.release(), true);
    instrument->type = Instrument::kFromPath;
    instrument->path = path;
    return instrument;
}

std::unique_ptr<Instrument> Quaxel2::makeMissingInstrument(const InstrumentProgram& entry, bool sayMissing) {
    if (sayMissing) {
        std::printf("Quaxel2VST > sample file missing, its instrument stays silent: %s\n", entry.path.c_str());
        std::fflush(stdout);
    }
    auto instrument = std::make_unique<Instrument>(engine.getRenderBlockSize(), wholeSampleRate(sampleRate));
    // An empty sample that carries the stored markers unclamped.
    auto sample = std::make_unique<Sample>();
    sample->startPlay = entry.startPlay;
    sample->loopStart = entry.loopStart;
    sample->loopEnd = entry.loopEnd;
    instrument->addSample(sample.release(), true);
    instrument->type = Instrument::kFromPath;
    instrument->path = entry.path;
    instrument->missing = true;
    return instrument;
}

Instrument* Quaxel2::addToRack(std::unique_ptr<Instrument> instrument) {
    if (!instrument) return nullptr;
    Locked<EngineMutex> lock(engine.mutex());
    if (!engine.getRack(0)->addInstrument(instrument.get())) return nullptr;  // full: discarded
    regions.attach(instrument.get());
    return instrument.release();
}

Instrument* Quaxel2::createInstrumentFromString(const std::string& name) {
    Locked<StructureMutex> structure(programs.lock());
    engine.freeRemovedInstruments();
    return addToRack(makeInstrumentFromString(name));
}

Instrument* Quaxel2::createInstrumentFromPath(const std::string& path) {
    Locked<StructureMutex> structure(programs.lock());
    engine.freeRemovedInstruments();
    return addToRack(makeInstrumentFromPath(path));
}

int Quaxel2::instrumentId(const Instrument* instrument) {
    Locked<EngineMutex> lock(engine.mutex());
    return instrument->id;
}
