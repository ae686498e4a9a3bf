#include "editor-program/trace_window.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "contract/instrument_data.h"

namespace {

// A name as it may stand on one log line.
std::string printable(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return out;
}

bool tracingWanted() {
    const char* setting = std::getenv("QUAXEL2_UI_TRACE");
    return setting && *setting && std::string(setting) != "0";
}

}  // namespace

TraceWindow::TraceWindow(EditorWindow& window) : window(window), tracing(tracingWanted()) {}

void TraceWindow::embedInto(uint64_t handle) {
    if (tracing) std::printf("Quaxel2UI > embed into window %llu\n", static_cast<unsigned long long>(handle));
    window.embedInto(handle);
}

void TraceWindow::setParameter(int32_t index, float value) {
    if (tracing) std::printf("Quaxel2UI > parameter %d = %g\n", index, static_cast<double>(value));
    window.setParameter(index, value);
}

void TraceWindow::addInstrument(int32_t id, std::string_view name, InstrumentData* record) {
    if (tracing)
        std::printf("Quaxel2UI > instrument %d added: %s%s\n", id, printable(name).c_str(),
                    record ? "" : " (no record)");
    window.addInstrument(id, name, record);
}

void TraceWindow::showNote(uint8_t status, uint8_t note, uint8_t velocity) {
    if (tracing) std::printf("Quaxel2UI > midi %d %d %d\n", status, note, velocity);
    window.showNote(status, note, velocity);
}

void TraceWindow::reload(InstrumentData* records) {
    if (tracing) std::printf("Quaxel2UI > reload\n");
    window.reload(records);
}

void TraceWindow::waveformReady(SampleData* record) {
    if (tracing) std::printf("Quaxel2UI > waveform ready\n");
    window.waveformReady(record);
}

void TraceWindow::showProgram(int32_t program) {
    if (tracing) std::printf("Quaxel2UI > program %d\n", program);
    window.showProgram(program);
}

void TraceWindow::setProgramName(int32_t program, std::string_view name) {
    if (tracing) std::printf("Quaxel2UI > program %d named %s\n", program, printable(name).c_str());
    window.setProgramName(program, name);
}
