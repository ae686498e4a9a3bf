#include "editor/quaxel2_editor.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "editor/bridge_names.h"
#include "contract/window_size.h"
#include "host/audioeffect.h"
#include "host/audioeffectx.h"

namespace {

constexpr ERect rectangleAt(int32_t percent) {
    return ERect{0, 0, static_cast<int16_t>(window_size::scaled(window_size::kHeight, percent)),
                 static_cast<int16_t>(window_size::scaled(window_size::kWidth, percent))};
}

// One rectangle per size, never written: hosts may ask from more than one
// thread, and keep the pointer.
ERect windowRectangles[] = {rectangleAt(window_size::kPercents[0]), rectangleAt(window_size::kPercents[1]),
                            rectangleAt(window_size::kPercents[2])};
static_assert(std::size(windowRectangles) == std::size(window_size::kPercents));

// What the creation of a FIFO failed on, as the line after the failure line.
const char* fifoFailure(int error) {
    switch (error) {
        case ENOENT:
            return "A component of the path prefix specified by path does not name an existing directory or path is "
                   "an empty string.";
        case EACCES:
            return "A component of the path prefix denies search permission, or write permission is denied on the "
                   "parent directory of the FIFO to be created.";
        case EEXIST: return "The named file already exists.";
        case ENOTDIR: return "A component of the path prefix is not a directory.";
        case ENOSPC:
            return "The directory that would contain the new file cannot be extended or the file system is out of "
                   "file-allocation resources.";
        case EROFS: return "The named file resides on a read-only file system.";
        case ENAMETOOLONG:
            return "The length of the path argument exceeds {PATH_MAX} or a pathname component is longer than "
                   "{NAME_MAX}.";
        case ELOOP: return "A loop exists in symbolic links encountered during resolution of the path argument.";
        default: return nullptr;
    }
}

void printLine(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// A FIFO of ours that no one else may read or write, opened read-write and
// non-blocking; -1 for anything else under that name.
int openOwnFifo(const char* path) {
    const int fd = open(path, O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISFIFO(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

Quaxel2Editor::Quaxel2Editor(AudioEffect* effect, int instanceNumber, SampleData* sampleRecord,
                             FromUiHandler* requests)
    : AEffEditor(effect), instanceNumber(instanceNumber), waveform(sampleRecord), requests(requests) {
    if (effect) effect->setEditor(this);
    uiExecutablePath = bridge::uiExecutablePath(instanceNumber);
    prepareFifo();
    timer.callbackFunction = processFifoMessageCallback;
    timer.userData = this;
}

Quaxel2Editor::~Quaxel2Editor() {
    timer.stop();  // waits for a poll that is running
    if (fromProgramFifo >= 0) ::close(fromProgramFifo);
    unlink(fromProgramFifoPath.c_str());
    tellProgramToQuit();
    unlink(toProgramFifoPath.c_str());
    if (toProgramFifo >= 0) ::close(toProgramFifo);
    launcher.finish(1000);
    if (executableWritten) unlink(uiExecutablePath.c_str());
}

void Quaxel2Editor::tellProgramToQuit() {
    if (toProgramFifo < 0) return;
    // What is still queued no longer matters to a program that is leaving.
    unsigned char discard[4096];
    while (outgoing.pop(discard, sizeof discard) > 0) {
    }
    const UiMessage quit = toUi::quit();
    auto writeQuit = [&] { return write(toProgramFifo, quit.bytes, static_cast<std::size_t>(quit.size)) == quit.size; };
    if (writeQuit()) return;
    // A full FIFO: this end may read it too. The program reads a whole
    // pipe's worth at a time, so what it has not read yet is whole messages.
    std::vector<unsigned char> unread(readSize > 0 ? static_cast<std::size_t>(readSize) : sizeof discard);
    while (read(toProgramFifo, unread.data(), unread.size()) > 0) {
    }
    writeQuit();
}

bool Quaxel2Editor::copyUIExecutable() {
    executableWritten = launcher.writeExecutable(uiExecutablePath, uifile, static_cast<std::size_t>(uifile_size));
    return executableWritten;
}

bool Quaxel2Editor::prepareFifo() {
    // A write to a pipe whose reader is gone fails instead of ending the host.
    signal(SIGPIPE, SIG_IGN);
    fromProgramFifoPath = bridge::uiFifoPath(instanceNumber);
    createFifo(fromProgramFifoPath.c_str());
    toProgramFifoPath = bridge::pluginFifoPath(instanceNumber);
    createFifo(toProgramFifoPath.c_str());
    return true;
}

bool Quaxel2Editor::createFifo(const char* path) {
    if (mkfifo(path, bridge::kFifoMode) == 0) return true;
    const int error = errno;
    printLine("Quaxel2VST >  ERROR FIFO creation failed : ");
    if (const char* why = fifoFailure(error)) printLine(why);
    return error == EEXIST;
}

bool Quaxel2Editor::openFifo(const char* path, int& descriptor, const char* failure) {
    if (descriptor != -1) return false;
    descriptor = openOwnFifo(path);
    if (descriptor < 0) {
        printLine(failure);
        return false;
    }
    readSize = fcntl(descriptor, F_GETPIPE_SZ);  // both FIFOs have the same capacity
    return true;
}

bool Quaxel2Editor::openUiFifo(const char* path) {
    return openFifo(path, fromProgramFifo, "Quaxel2VST > ERROR opening FIFO for read");
}

bool Quaxel2Editor::openPluginFifo(const char* path) {
    return openFifo(path, toProgramFifo, "Quaxel2VST >  ERROR opening FIFO for write");
}

void Quaxel2Editor::openUI(void* window) {
    const std::string windowText = std::to_string(reinterpret_cast<std::uintptr_t>(window));
    const std::string numberText = std::to_string(instanceNumber);
    // What waited while the editor was closed is stale: a program that
    // starts reads the shared memory, one that re-attaches gets a reload.
    unsigned char discard[4096];
    while (outgoing.pop(discard, sizeof discard) > 0) {
    }
    levelTold = {-1.0f, -1.0f};  // the poll is stopped: a program that comes back hears the level anew
    // A program that has died is started again rather than told of a window.
    if (!firstOpen && !launcher.running()) firstOpen = true;
    if (firstOpen) {
        // Written when first needed, not for every object a host makes (a
        // host's scan makes many), and removed with the editor.
        if (!executableWritten) copyUIExecutable();
        printLine("Quaxel2VST > starting child process !");
        if (!launcher.start(windowText, numberText)) printLine("Quaxel2VST > error : child process can't start ");
        connect();
        firstOpen = false;
    } else if (toProgramFifo == -1) {
        printLine("Quaxel2VST > open : plugin fifo handle is not valid");
    } else {
        const UiMessage reattach = toUi::reattach(windowText);
        if (write(toProgramFifo, reattach.bytes, static_cast<std::size_t>(reattach.size)) < 0) {
            std::printf("Quaxel2VST > open message FAILED to write to plugin FIFO  err= %d\n", errno);
            std::fflush(stdout);
        }
        send(toUi::reload());
    }
    timer.start(kPollMilliseconds);
}

void Quaxel2Editor::connect() {
    if (fromProgramFifo == -1) openUiFifo(fromProgramFifoPath.c_str());
    if (toProgramFifo == -1) openPluginFifo(toProgramFifoPath.c_str());
    if (readSize > 0 && !decoder) {
        readBuffer.assign(static_cast<std::size_t>(readSize), 0);
        decoder = std::make_unique<FromUiDecoder>(readSize, *requests);
    }
}

bool Quaxel2Editor::open(void* window) {
    systemWindow = window;
    openUI(window);
    // From here on the audio thread tells of each change, so what is
    // shown next cannot miss one.
    editorOpen.store(true);
    showHeldNotes();
    return true;
}

void Quaxel2Editor::close() {
    if (!editorOpen.load()) return;
    timer.stop();
    editorOpen.store(false);
}

// All 128 keys, not only those that changed while the editor was closed:
// what the program was told before may have been discarded at this open,
// or lost to a full FIFO, and a program started again knows nothing.
void Quaxel2Editor::showHeldNotes() {
    for (int note = 0; note < HeldNotes::kNotes; note++) {
        // The audio thread may change the note and tell of it meanwhile,
        // its message landing before ours: told again until what was told
        // is still so afterwards, the last message is the note's state.
        int told = heldNotes.velocity(note);
        for (;;) {
            sendMidiMessage(told > 0 ? 144 : 128, note, told);
            const int now = heldNotes.velocity(note);
            if ((now > 0) == (told > 0)) break;
            told = now;
        }
    }
}

void Quaxel2Editor::hostNoteOn(int channel, int note, int velocity) {
    if (heldNotes.press(channel, note, velocity) && isEditorOpen()) sendMidiMessage(144, note, velocity);
}

void Quaxel2Editor::hostNoteOff(int channel, int note, int velocity) {
    if (heldNotes.release(channel, note) && isEditorOpen()) sendMidiMessage(128, note, velocity);
}

void Quaxel2Editor::hostAllNotesOff() {
    heldNotes.releaseAll([this](int note) {
        if (isEditorOpen()) sendMidiMessage(128, note, 0);
    });
}

void Quaxel2Editor::meterOutput(const float* left, const float* right, int frames) {
    if (!isEditorOpen()) return;
    const float* channels[2] = {left, right};
    for (int c = 0; c < 2; c++) {
        float loudest = 0.0f;
        for (int f = 0; f < frames; f++) loudest = std::max(loudest, std::fabs(channels[c][f]));
        // NaN fails the comparison and leaves the kept peak alone.
        float kept = outputPeak[c].load(std::memory_order_relaxed);
        while (loudest > kept && !outputPeak[c].compare_exchange_weak(kept, loudest, std::memory_order_relaxed)) {
        }
    }
}

void Quaxel2Editor::sendOutputLevel() {
    const std::array<float, 2> level = {outputPeak[0].exchange(0.0f, std::memory_order_relaxed),
                                        outputPeak[1].exchange(0.0f, std::memory_order_relaxed)};
    if (level == levelTold) return;  // silence is told once
    if (outgoing.push(toUi::outputLevel(level[0], level[1]))) levelTold = level;
}

bool Quaxel2Editor::getRect(ERect** rect) {
    const int32_t percent = scalePercent.load();
    std::size_t size = 0;
    while (size + 1 < std::size(windowRectangles) && window_size::kPercents[size] != percent) size++;
    *rect = &windowRectangles[size];
    return true;
}

void Quaxel2Editor::setWindowScale(int32_t percent) {
    if (!window_size::allowed(percent) || scalePercent.exchange(percent) == percent) return;
    resizeWanted.store(true);
}

void Quaxel2Editor::idle() {
    if (!resizeWanted.exchange(false)) return;
    auto* host = dynamic_cast<AudioEffectX*>(effect);
    const int32_t percent = scalePercent.load();
    if (host)
        host->sizeWindow(window_size::scaled(window_size::kWidth, percent),
                         window_size::scaled(window_size::kHeight, percent));
}

void Quaxel2Editor::dispatcher(int opcode, int index, int value, float opt, const std::string& text, void* /*ptr*/) {
    switch (opcode) {
        case toUiParameter: send(toUi::parameter(index, opt)); break;
        case toUiInstrumentAdded: send(toUi::instrumentAdded(index, text)); break;
        case toUiMidi: send(toUi::midi(index, value, std::isfinite(opt) ? static_cast<int>(opt) : 0)); break;
        case toUiReload: send(toUi::reload()); break;
        case toUiWaveformReady: send(toUi::waveformReady()); break;
        default: break;
    }
}

void Quaxel2Editor::setParameter(int index, float value) {
    if (isEditorOpen()) send(toUi::parameter(index, value));
}

void Quaxel2Editor::sendMidiMessage(int status, int data1, int data2) { send(toUi::midi(status, data1, data2)); }

void Quaxel2Editor::processMessageFromUI() {
    if (readSize <= 0 || !decoder) return;
    const ssize_t count = read(fromProgramFifo, readBuffer.data(), readBuffer.size());
    if (count > 0) decoder->feed(readBuffer.data(), static_cast<std::size_t>(count));
    if (isEditorOpen()) sendOutputLevel();
    outgoing.writeTo(toProgramFifo);
    launcher.running();  // reaps a program that has ended
}

void processFifoMessageCallback(void* editor) { static_cast<Quaxel2Editor*>(editor)->processMessageFromUI(); }
