#include "editor-program/headless_window.h"

#include <cstdio>
#include <string>

#include "instruments/instrument_data.h"

namespace {

// A name as it may stand on one log line.
std::string printable(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return out;
}

}  // namespace

void HeadlessWindow::embedInto(uint64_t window) {
    std::printf("Quaxel2UI > embed into window %llu\n", static_cast<unsigned long long>(window));
}

void HeadlessWindow::setParameter(int32_t index, float value) {
    std::printf("Quaxel2UI > parameter %d = %g\n", index, static_cast<double>(value));
}

void HeadlessWindow::addInstrument(int32_t id, std::string_view name, InstrumentData* record) {
    std::printf("Quaxel2UI > instrument %d added: %s%s\n", id, printable(name).c_str(), record ? "" : " (no record)");
}

void HeadlessWindow::showNote(uint8_t status, uint8_t note, uint8_t velocity) {
    std::printf("Quaxel2UI > midi %d %d %d\n", status, note, velocity);
}

void HeadlessWindow::reload(InstrumentData*) { std::printf("Quaxel2UI > reload\n"); }

void HeadlessWindow::waveformReady(SampleData*) { std::printf("Quaxel2UI > waveform ready\n"); }
