// Where the plug-in and its editor program meet: the files under /tmp and
// the shared-memory objects, each named with the plug-in's instance number,
// and the sizes of the two shared regions. Both sides take the names from
// here, so they cannot drift apart.
#pragma once

#include <cstddef>
#include <string>

#include "instruments/instrument_data.h"
#include "instruments/sample_data.h"

namespace bridge {

// The editor program as the plug-in writes it out, e.g. /tmp/UIQuaxel2VST0.
std::string uiExecutablePath(int instance);
// Written by the editor program, read by the plug-in: /tmp/quaxel2ui0.fifo.
std::string uiFifoPath(int instance);
// Written by the plug-in, read by the editor program: /tmp/quaxel2plugin0.fifo.
std::string pluginFifoPath(int instance);
constexpr unsigned kFifoMode = 0600;

// Shared-memory objects: /instrument.mmap0 and /sample.mmap0.
std::string instrumentRegionName(int instance);
std::string sampleRegionName(int instance);

// 16 instrument slots, then the delay's block of 12 parameter records.
constexpr int kInstrumentSlots = 16;
constexpr std::size_t kDelayBlockOffset = kInstrumentSlots * sizeof(InstrumentData);
constexpr std::size_t kInstrumentRegionSize = kDelayBlockOffset + 12 * sizeof(ParameterRecord);
constexpr std::size_t kSampleRegionSize = sizeof(SampleData);
static_assert(kDelayBlockOffset == 42880 && kInstrumentRegionSize == 43072 && kSampleRegionSize == 7728);

}  // namespace bridge
