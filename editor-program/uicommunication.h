// The editor program's side of the bridge: the two FIFOs and the two
// shared-memory regions of one plug-in object, named by its instance
// number. `processMessageFromPlugin` reads what the plug-in wrote and hands
// it to the window; `send` writes one message to the plug-in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "editor-program/plugin_link.h"
#include "editor/ui_decoder.h"
#include "editor/ui_messages.h"

class EditorWindow;

class UICommunication : public PluginLink, private ToUiHandler {
public:
    // Opens both FIFOs and maps both regions, printing a line for each that
    // fails; the program carries on without it.
    explicit UICommunication(int instance);
    ~UICommunication() override;
    UICommunication(const UICommunication&) = delete;
    UICommunication& operator=(const UICommunication&) = delete;

    // The poll: one read of at most the pipe's capacity.
    void processMessageFromPlugin();
    // Messages sent, and reads that brought any, so far.
    uint64_t traffic() const { return messages; }
    // The descriptor the plug-in's messages arrive on; -1 when it did not open.
    int incoming() const { return pluginFifo; }
    // Where the plug-in's messages go; until it is set they are read and dropped.
    void setWindow(EditorWindow* target) { window = target; }

    bool send(const UiMessage& message) override;
    InstrumentData* instrumentRegion() const override { return instruments; }
    SampleData* sampleRegion() const override { return sample; }

private:
    void parameter(int32_t index, float value) override;
    void instrumentAdded(int32_t id, std::string_view name) override;
    void midi(uint8_t status, uint8_t data1, uint8_t data2) override;
    void reload() override;
    void reattach(std::string_view window) override;
    void quit() override;
    void waveformReady() override;
    void programName(int32_t program, std::string_view name) override;
    void currentProgram(int32_t program) override;
    void outputLevel(float left, float right) override;
    void unhandled(uint8_t opcode) override;

    EditorWindow* window = nullptr;
    int uiFifo = -1;      // we write
    int pluginFifo = -1;  // we read
    int readSize = 0;
    uint64_t messages = 0;
    InstrumentData* instruments = nullptr;
    SampleData* sample = nullptr;
    std::vector<unsigned char> readBuffer;
    ToUiDecoder decoder;
};
