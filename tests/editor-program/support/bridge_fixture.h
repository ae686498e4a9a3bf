// The plug-in's end of the editor bridge for widget tests: the two FIFOs and
// the two shared regions of an instance number of the test's own, made as
// the plug-in makes them, and a real UICommunication on the program's end.
// `sent()` reads back and decodes what the widgets wrote.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "contract/instrument_data.h"
#include "contract/sample_data.h"
#include "editor-program/uicommunication.h"

struct SentMessage {
    FromUiOpcode opcode;
    int32_t first = 0;   // parameter index, id, copy source, program, or MIDI status
    int32_t second = 0;  // copy destination, or MIDI note
    int32_t third = 0;   // MIDI velocity
    float value = 0;     // parameter value
    std::string text;    // load string, path, or program name

    bool operator==(const SentMessage&) const = default;
};

class BridgeFixture {
public:
    BridgeFixture();
    ~BridgeFixture();
    BridgeFixture(const BridgeFixture&) = delete;
    BridgeFixture& operator=(const BridgeFixture&) = delete;

    // The program's end, connected to this fixture.
    UICommunication& link() { return *communication; }
    // Everything the program has written since the last call, in order.
    std::vector<SentMessage> sent();
    // Writes one message to the program, as the plug-in does.
    void toUi(const UiMessage& message);

    // Puts an instrument into slot `slot` as the plug-in does: id, name,
    // the 22 records with their display hints and `value` each, channel.
    InstrumentData& fillSlot(int slot, int32_t id, const std::string& name, float value = 0.5f);
    ParameterRecord* delayBlock();

    const int instance;
    InstrumentData* records = nullptr;  // the fixture's own mapping
    SampleData* sample = nullptr;

private:
    int uiFifo = -1;      // the program writes, we read
    int pluginFifo = -1;  // we write
    std::unique_ptr<UICommunication> communication;
};
