#include "tests/editor-program/support/bridge_fixture.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "contract/parameter_tables.h"
#include "contract/shared_layout.h"
#include "editor/bridge_names.h"
#include "editor/ui_decoder.h"

namespace {

// Instance numbers far above what plug-in objects take, and below those of
// the end-to-end tests (10,000,000 on); process ids stay below 2^22.
int testInstance() { return 1000000 + static_cast<int>(getpid()); }

void* createRegion(const std::string& name, std::size_t size) {
    shm_unlink(name.c_str());
    const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) throw std::runtime_error("shm " + name);
    void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) throw std::runtime_error("mmap " + name);
    std::memset(mapped, 0, size);
    return mapped;
}

int createFifo(const std::string& path) {
    unlink(path.c_str());
    if (mkfifo(path.c_str(), bridge::kFifoMode) != 0) throw std::runtime_error("mkfifo " + path);
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("open " + path);
    return fd;
}

class Collector : public FromUiHandler {
public:
    std::vector<SentMessage> messages;

    void parameter(int32_t index, float value) override { add({fromUiParameter, index, 0, 0, value, {}}); }
    void loadString(std::string_view text) override { add({fromUiLoadString, 0, 0, 0, 0, std::string(text)}); }
    void loadPath(std::string_view path) override { add({fromUiLoadPath, 0, 0, 0, 0, std::string(path)}); }
    void midi(uint8_t status, uint8_t note, uint8_t velocity) override {
        add({fromUiMidi, status, note, velocity, 0, {}});
    }
    void resetParameters(int32_t id) override { add({fromUiResetParameters, id, 0, 0, 0, {}}); }
    void copyParameters(int32_t source, int32_t destination) override {
        add({fromUiCopyParameters, source, destination, 0, 0, {}});
    }
    void clone(int32_t id) override { add({fromUiClone, id, 0, 0, 0, {}}); }
    void showWaveform(int32_t id) override { add({fromUiShowWaveform, id, 0, 0, 0, {}}); }
    void refreshPeaks() override { add({fromUiRefreshPeaks, 0, 0, 0, 0, {}}); }
    void selectProgram(int32_t program) override { add({fromUiSelectProgram, program, 0, 0, 0, {}}); }
    void renameProgram(int32_t program, std::string_view name) override {
        add({fromUiRenameProgram, program, 0, 0, 0, std::string(name)});
    }
    void programsWanted() override { add({fromUiProgramsWanted, 0, 0, 0, 0, {}}); }
    void windowScale(int32_t percent) override { add({fromUiWindowScale, percent, 0, 0, 0, {}}); }
    void unhandled(uint8_t opcode) override { add({static_cast<FromUiOpcode>(opcode), -1, 0, 0, 0, {}}); }

private:
    void add(SentMessage message) { messages.push_back(std::move(message)); }
};

}  // namespace

BridgeFixture::BridgeFixture() : instance(testInstance()) {
    records = static_cast<InstrumentData*>(
        createRegion(bridge::instrumentRegionName(instance), shared_layout::kInstrumentRegionSize));
    for (int slot = 0; slot < shared_layout::kInstrumentSlots; slot++) records[slot].id = -1;
    sample = static_cast<SampleData*>(createRegion(bridge::sampleRegionName(instance), shared_layout::kSampleRegionSize));
    sample->columns = 407;
    sample->framesPerColumn = sample->fullFramesPerColumn = 1.0;
    uiFifo = createFifo(bridge::uiFifoPath(instance));
    pluginFifo = createFifo(bridge::pluginFifoPath(instance));
    communication = std::make_unique<UICommunication>(instance);
}

BridgeFixture::~BridgeFixture() {
    communication.reset();
    munmap(records, shared_layout::kInstrumentRegionSize);
    munmap(sample, shared_layout::kSampleRegionSize);
    close(uiFifo);
    close(pluginFifo);
    unlink(bridge::uiFifoPath(instance).c_str());
    unlink(bridge::pluginFifoPath(instance).c_str());
    shm_unlink(bridge::instrumentRegionName(instance).c_str());
    shm_unlink(bridge::sampleRegionName(instance).c_str());
}

std::vector<SentMessage> BridgeFixture::sent() {
    Collector collector;
    const int capacity = fcntl(uiFifo, F_GETPIPE_SZ);
    FromUiDecoder decoder(capacity, collector);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(capacity));
    ssize_t count;
    while ((count = read(uiFifo, buffer.data(), buffer.size())) > 0)
        decoder.feed(buffer.data(), static_cast<std::size_t>(count));
    return collector.messages;
}

void BridgeFixture::toUi(const UiMessage& message) {
    if (write(pluginFifo, message.bytes, static_cast<std::size_t>(message.size)) != message.size)
        throw std::runtime_error("write to the plugin FIFO");
}

InstrumentData& BridgeFixture::fillSlot(int slot, int32_t id, const std::string& name, float value) {
    InstrumentData& record = records[slot];
    record.id = id;
    std::memset(record.name, 0, sizeof record.name);
    std::strncpy(record.name, name.c_str(), sizeof record.name - 1);
    record.parameterCount = InstrumentData::kParameterCount;
    record.midiChannel = -1;
    for (int p = 0; p < InstrumentData::kParameterCount; p++) {
        const InstrumentParameterInfo& info = kInstrumentParameters[p];
        record.parameterRecord[p] = {value, info.steps, info.offset, info.mark};
    }
    return record;
}

ParameterRecord* BridgeFixture::delayBlock() {
    return reinterpret_cast<ParameterRecord*>(reinterpret_cast<char*>(records) + shared_layout::kDelayBlockOffset);
}
