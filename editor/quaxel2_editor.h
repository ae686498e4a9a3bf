// The plug-in's editor: the separate editor program, started as a child the
// first time the host opens the editor, with two FIFOs to talk over (the UI
// FIFO it writes, the plugin FIFO it reads) and a 10 ms poll of the UI FIFO.
//
// Threads. The host's dispatcher threads construct, open, close and destroy
// it. The poll runs on the timer's own thread, one poll at a time; close and
// the destructor stop the timer and wait for a running poll before touching
// the descriptors. Messages to the program may be sent from any thread, the
// audio thread included: they go into a lock-free queue that the poll
// writes to the plugin FIFO, in order, every 10 ms. Decoded requests go to
// the handler the plug-in gives, on the poll thread.
//
// The host's notes light the program's keys. While the editor is closed
// they are only kept track of, not queued (no poll empties the queue
// then); each open tells the program every key's state anew.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_launcher.h"
#include "editor/held_notes.h"
#include "editor/outgoing_queue.h"
#include "editor/sample_display.h"
#include "editor/timer.h"
#include "editor/ui_decoder.h"
#include "host/aeffeditor.h"

class AudioEffect;
struct SampleData;

// The editor program's image as the plug-in carries it.
extern "C" const unsigned char uifile[];
extern "C" const int32_t uifile_size;

class Quaxel2Editor : public AEffEditor {
public:
    static constexpr int kPollMilliseconds = 10;

    // Registers itself as the effect's editor and makes the two FIFOs;
    // starts nothing. `requests` handles what the
    // program asks for, on the poll thread.
    Quaxel2Editor(AudioEffect* effect, int instanceNumber, SampleData* sampleRecord, FromUiHandler* requests);
    // Stops the poll, removes the FIFOs and the program's file, tells the
    // program to quit and reaps it.
    ~Quaxel2Editor() override;

    // The window's size at the scale the editor program last told.
    bool getRect(ERect** rect) override;
    // The first open writes the program's image and starts it; later ones
    // tell it the new window (or start it again if it has died). Either way
    // the poll is armed.
    bool open(void* window) override;
    // Disarms the poll; the program keeps running.
    void close() override;
    // On the host's editor thread: asks the host to resize its window when
    // the program's size changed since (audioMasterSizeWindow).
    void idle() override;
    void resize(int /*width*/, int /*height*/) {}
    int clearView() { return 0; }

    // ---- messages to the program (any thread) ----
    // Encodes opcodes 1 (index, opt), 2 (index as id, text), 4 (the low bytes
    // of index, value and opt), 5 and 16; others write nothing.
    void dispatcher(int opcode, int index, int value, float opt, const std::string& text, void* ptr);
    // toUiParameter, while the editor is open.
    void setParameter(int index, float value);
    void sendMidiMessage(int status, int data1, int data2);
    void send(const UiMessage& message) { outgoing.push(message); }

    // ---- the window's size (poll thread) ----
    // The program draws at `percent` (100, 150 or 200; anything else is
    // ignored): the rectangle follows at once, the host's window at the next
    // idle call, on the thread the host runs its editor on.
    void setWindowScale(int32_t percent);
    int32_t windowScale() const { return scalePercent.load(); }

    // ---- the host's notes (audio thread) ----
    // Kept track of always, told to the program while the editor is open.
    // A note-off is told once no channel holds the note any more.
    void hostNoteOn(int channel, int note, int velocity);
    void hostNoteOff(int channel, int note, int velocity);
    void hostAllNotesOff();

    // ---- the output level (audio thread) ----
    // Keeps the largest absolute sample of each output until the next poll,
    // which tells the program when the level has changed; while the editor
    // is open. Two relaxed atomics: no lock, no system call.
    void meterOutput(const float* left, const float* right, int frames);

    // The poll: reads and executes what the program wrote, then writes the
    // queued messages.
    void processMessageFromUI();
    SampleDisplay& display() { return waveform; }
    bool isEditorOpen() const { return editorOpen.load(); }
    pid_t programPid() const { return launcher.pid(); }

    // ---- the steps of construction and opening ----
    bool copyUIExecutable();
    bool prepareFifo();
    bool createFifo(const char* path);
    bool openUiFifo(const char* path);
    bool openPluginFifo(const char* path);
    void openUI(void* window);
    // Opens both FIFOs (read-write, non-blocking) and readies the decoder;
    // the first open does it after starting the program.
    void connect();

private:
    bool openFifo(const char* path, int& descriptor, const char* failure);
    // Every key's state, as a note-on with its velocity or a note-off.
    void showHeldNotes();
    // Written past the queue: whatever the program has not read yet makes
    // way for it when the FIFO is full.
    void tellProgramToQuit();
    // The poll: the peaks kept since the last one, when they differ from
    // what the program was told last.
    void sendOutputLevel();

    std::atomic<int32_t> scalePercent{100};
    std::atomic<bool> resizeWanted{false};
    std::atomic<bool> editorOpen{false};
    const int instanceNumber;
    bool firstOpen = true;
    std::string uiExecutablePath;
    bool executableWritten = false;
    // The UI FIFO, which the program writes and the plug-in reads.
    std::string fromProgramFifoPath;
    int fromProgramFifo = -1;
    int readSize = 0;
    // The plugin FIFO, which the plug-in writes and the program reads.
    std::string toProgramFifoPath;
    int toProgramFifo = -1;
    Timer timer;
    SampleDisplay waveform;

    FromUiHandler* requests;
    std::unique_ptr<FromUiDecoder> decoder;  // made once the FIFOs are open
    std::vector<unsigned char> readBuffer;
    OutgoingQueue outgoing;
    HeldNotes heldNotes;
    std::array<std::atomic<float>, 2> outputPeak{};
    std::array<float, 2> levelTold{-1.0f, -1.0f};  // poll thread; -1: nothing told since the open
    EditorLauncher launcher;
};

// The poll timer's callback: `editor` is the Quaxel2Editor.
void processFifoMessageCallback(void* editor);
