// New instruments from catalogue names and sample paths, and the shared
// records through which the editor program sees them. A new instrument is
// decoded without any lock (a sample file may take seconds) and joins the
// rack under the structure lock and, briefly, the engine lock.
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "dsp/sample_rate.h"
#include "instruments/instrument.h"
#include "instruments/path_names.h"
#include "synth/quaxel2.h"

namespace {

std::unique_ptr<Instrument> newInstrumentFromString(const std::string& name, int blockSize, int rate) {
    UnpublishedInstruments unpublished;
    auto instrument = std::make_unique<Instrument>(blockSize, rate);
    instrument->loadFromName(name);
    return instrument;
}

std::unique_ptr<Instrument> newInstrumentFromPath(const std::string& path, int blockSize, int rate,
                                                  bool* refusedTooLong) {
    UnpublishedInstruments unpublished;
    auto instrument = std::make_unique<Instrument>(blockSize, rate);
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

}  // namespace

std::unique_ptr<Instrument> Quaxel2::makeInstrumentFromString(const std::string& name) {
    return newInstrumentFromString(name, engine.getRenderBlockSize(), wholeSampleRate(sampleRate));
}

std::unique_ptr<Instrument> Quaxel2::makeInstrumentFromPath(const std::string& path, bool* refusedTooLong) {
    return newInstrumentFromPath(path, engine.getRenderBlockSize(), wholeSampleRate(sampleRate), refusedTooLong);
}

Quaxel2::InstrumentFormat Quaxel2::instrumentFormat() {
    Locked<StructureMutex> structure(programs.lock());
    return {engine.getRenderBlockSize(), wholeSampleRate(sampleRate)};
}

std::unique_ptr<Instrument> Quaxel2::loadInstrumentFromString(const std::string& name) {
    const InstrumentFormat format = instrumentFormat();
    return newInstrumentFromString(name, format.blockSize, format.sampleRate);
}

std::unique_ptr<Instrument> Quaxel2::loadInstrumentFromPath(const std::string& path) {
    const InstrumentFormat format = instrumentFormat();
    return newInstrumentFromPath(path, format.blockSize, format.sampleRate, nullptr);
}

Instrument* Quaxel2::addLoadedInstrument(std::unique_ptr<Instrument> instrument) {
    if (!instrument) return nullptr;
    Locked<StructureMutex> structure(programs.lock());
    engine.freeRemovedInstruments();
    // The block size or rate may have changed while it loaded: it is then
    // adjusted as the engine adjusts the rack's instruments for a change.
    const InstrumentFormat format = instrumentFormat();
    UnpublishedInstruments unpublished;
    if (instrument->meterLeft.size() != static_cast<std::size_t>(format.blockSize)) {
        std::vector<float> meter(static_cast<std::size_t>(format.blockSize), 0.0f);
        instrument->adjustBufferSize(meter);
    }
    instrument->setSamplerate(format.sampleRate);
    return addToRack(std::move(instrument));
}

std::unique_ptr<Instrument> Quaxel2::makeMissingInstrument(const InstrumentProgram& entry, bool sayMissing) {
    if (sayMissing) {
        std::printf("Quaxel2VST > sample file missing, its instrument stays silent: %s\n", entry.path.c_str());
        std::fflush(stdout);
    }
    UnpublishedInstruments unpublished;
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
    return addLoadedInstrument(loadInstrumentFromString(name));
}

Instrument* Quaxel2::createInstrumentFromPath(const std::string& path) {
    return addLoadedInstrument(loadInstrumentFromPath(path));
}

int Quaxel2::instrumentId(const Instrument* instrument) {
    Locked<EngineMutex> lock(engine.mutex());
    return instrument->id;
}
