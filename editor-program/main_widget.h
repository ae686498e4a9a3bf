// The editor's window: the master values and the delay along the top, the
// program line with the output meter under them, the
// browser and the instruments in the middle, the waveform, the envelope
// picture and the status texts below them, and the keyboard at the bottom.
// It turns the plug-in's messages into what is shown; its widgets turn the
// user's actions into messages and shared-memory writes, each through the
// PluginLink it gives them.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

#include "editor-program/editor_window.h"
#include "editor-program/shown_instrument.h"

class DelayView;
class DropWidget;
class GlobalView;
class InstrumentView;
class Keyboard;
class LogoWidget;
class PluginLink;
class ProgramStrip;
class StatusBar;
class Treex;
class Visualizer;
class WaveformDisplay;

class MainWidget : public QWidget, public EditorWindow {
    Q_OBJECT
public:
    explicit MainWidget(PluginLink& link, QWidget* parent = nullptr);
    ~MainWidget() override;

    // What embedding and quitting do; the program sets them.
    void setEmbedder(std::function<void(uint64_t)> embed) { embedder = std::move(embed); }
    void setQuitter(std::function<void()> quit) { quitter = std::move(quit); }
    // What choosing another window size in the settings does (in percent).
    void setResizer(std::function<void(int)> resize) { resizer = std::move(resize); }
    // Runs when the first complete picture in each window the editor is
    // put into has been painted.
    void setPaintReport(std::function<void()> painted) { paintReport = std::move(painted); }

    // The plug-in's messages.
    void embedInto(uint64_t window) override;
    void setParameter(int32_t index, float value) override;
    void addInstrument(int32_t id, std::string_view name, InstrumentData* record) override;
    void showNote(uint8_t status, uint8_t note, uint8_t velocity) override;
    void reload(InstrumentData* records) override { updateAndCreateView(records); }
    void waveformReady(SampleData* record) override;
    void showProgram(int32_t program) override;
    void setProgramName(int32_t program, std::string_view name) override;
    void setOutputLevel(float left, float right) override;
    void quit() override;
    // Rebuilds every view from the 16 slots, the delay's block and the
    // masters after a program change or a chunk: the instruments are new.
    // The one at the position on show before is shown, or the first.
    void updateAndCreateView(InstrumentData* records);
    // Every 20 ms: meters, markers and envelopes from shared memory, and new
    // rows when the slots no longer hold what the rows show (a removal
    // renumbered the rack, or an instrument came without its announcement).
    void poll();

    // Puts the instrument with that id on show.
    void setWaveform(int32_t id);

    const std::vector<InstrumentView*>& instrumentViews() const { return views; }
    InstrumentView* instrumentView(int32_t id) const;
    GlobalView* globalView() const { return global; }
    ProgramStrip* programStrip() const { return programs; }
    DelayView* delayView() const { return delay; }
    Treex* browser() const { return treex; }
    DropWidget* instrumentArea() const { return dropArea; }
    Keyboard* keyboard() const { return keys; }
    WaveformDisplay* waveformDisplay() const { return waveform; }
    StatusBar* statusBar() const { return status; }
    const ShownInstrument& shownInstrument() const { return shown; }

public slots:
    // The host's window has gone; the program waits for a re-attach.
    void containerClosed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The rows, one per taken slot in rack order.
    void rebuildRows(InstrumentData* records);
    bool rowsMatchSlots() const;
    // After new rows: the same instrument stays on show under its new id;
    // when it is gone, the one that took its place, or the last one.
    void settleShown();
    void shownChanged();
    void showSelection();

    PluginLink& link;
    ShownInstrument shown;
    std::function<void(uint64_t)> embedder;
    std::function<void(int)> resizer;
    std::function<void()> quitter;
    std::function<void()> paintReport;
    bool paintAwaited = false;  // in a new window, not painted there yet
    LogoWidget* logo = nullptr;
    GlobalView* global = nullptr;
    DelayView* delay = nullptr;
    ProgramStrip* programs = nullptr;
    Treex* treex = nullptr;
    DropWidget* dropArea = nullptr;
    WaveformDisplay* waveform = nullptr;
    Visualizer* visualizer = nullptr;
    StatusBar* status = nullptr;
    Keyboard* keys = nullptr;
    std::vector<InstrumentView*> views;
};
