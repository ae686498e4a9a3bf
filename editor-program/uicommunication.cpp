#include "editor-program/uicommunication.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "contract/shared_layout.h"
#include "editor-program/editor_window.h"
#include "editor/bridge_names.h"

namespace {

// Read-write, so that neither end ever sees the other missing; non-blocking.
int openFifo(const std::string& path, const char* failure) {
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) std::printf("%s\n", failure);
    return fd;
}

int pipeCapacity(int fd) {
    const int size = fd >= 0 ? fcntl(fd, F_GETPIPE_SZ) : -1;
    return size > 0 ? size : 0;
}

// Maps a region the plug-in created; a missing one, or one shorter than
// `size` (which would fault on access), prints its line.
void* mapRegion(const std::string& name, std::size_t size, const char* cannotOpen, const char* cannotMap) {
    const int fd = shm_open(name.c_str(), O_RDWR, 0600);
    if (fd < 0) {
        std::printf("%s\n", cannotOpen);
        return nullptr;
    }
    struct stat status {};
    void* mapped = MAP_FAILED;
    if (fstat(fd, &status) == 0 && static_cast<std::size_t>(status.st_size) >= size)
        mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) {
        std::printf("%s\n", cannotMap);
        return nullptr;
    }
    return mapped;
}

}  // namespace

UICommunication::UICommunication(int instance)
    : uiFifo(openFifo(bridge::uiFifoPath(instance), "Quaxel2UI > ERROR can't open UI FIFO")),
      pluginFifo(openFifo(bridge::pluginFifoPath(instance), "Quaxel2UI > ERROR can't open Plugin FIFO")),
      readSize(pipeCapacity(pluginFifo)),
      readBuffer(static_cast<std::size_t>(readSize)),
      decoder(readSize, *this) {
    // A write to a pipe nobody reads fails instead of ending the program.
    signal(SIGPIPE, SIG_IGN);
    instruments = static_cast<InstrumentData*>(
        mapRegion(bridge::instrumentRegionName(instance), shared_layout::kInstrumentRegionSize,
                  "Quaxel2UI > error can't open plugin shared memory",
                  "Quaxel2UI > error can't allocate / read plugin shared memory"));
    sample = static_cast<SampleData*>(mapRegion(bridge::sampleRegionName(instance), shared_layout::kSampleRegionSize,
                                                 "Quaxel2UI > error can't open sample shared memory",
                                                 "Quaxel2UI > error can't allocate / read sample shared memory"));
}

UICommunication::~UICommunication() {
    if (instruments) munmap(instruments, shared_layout::kInstrumentRegionSize);
    if (sample) munmap(sample, shared_layout::kSampleRegionSize);
    if (uiFifo >= 0) close(uiFifo);
    if (pluginFifo >= 0) close(pluginFifo);
}

void UICommunication::processMessageFromPlugin() {
    if (pluginFifo < 0 || readSize <= 0) return;
    const ssize_t count = read(pluginFifo, readBuffer.data(), readBuffer.size());
    if (count <= 0) return;
    messages++;
    decoder.feed(readBuffer.data(), static_cast<std::size_t>(count));
}

bool UICommunication::send(const UiMessage& message) {
    const bool sent =
        !message.empty() && write(uiFifo, message.bytes, static_cast<std::size_t>(message.size)) == message.size;
    messages += sent ? 1 : 0;
    return sent;
}

void UICommunication::parameter(int32_t index, float value) {
    if (window) window->setParameter(index, value);
}

void UICommunication::instrumentAdded(int32_t id, std::string_view name) {
    if (window) window->addInstrument(id, name, findInstrument(id));
}

void UICommunication::midi(uint8_t status, uint8_t data1, uint8_t data2) {
    if (window) window->showNote(status, data1, data2);
}

void UICommunication::reload() {
    if (window) window->reload(instruments);
}

void UICommunication::reattach(std::string_view text) {
    if (window) window->embedInto(std::strtoull(std::string(text).c_str(), nullptr, 10));
}

void UICommunication::quit() {
    std::printf("Quaxel2UI > terminating QApplication\n");
    if (window) window->quit();
}

void UICommunication::waveformReady() {
    if (window) window->waveformReady(sample);
}

void UICommunication::programName(int32_t program, std::string_view name) {
    if (window) window->setProgramName(program, name);
}

void UICommunication::currentProgram(int32_t program) {
    if (window) window->showProgram(program);
}

void UICommunication::outputLevel(float left, float right) {
    if (window) window->setOutputLevel(left, right);
}

void UICommunication::unhandled(uint8_t) { std::printf("Quaxel2UI > processMessageFromPlugin : unhandled opcode\n"); }
