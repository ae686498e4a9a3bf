// The two shared-memory regions: the instrument region holds 16 instrument
// records, then the delay's block of 12 parameter records (the delay's 8,
// then the 4 master values, value field only); the sample region holds one
// SampleData. The plug-in creates both; the editor program maps them.
#pragma once

#include <cstddef>

#include "contract/instrument_data.h"
#include "contract/parameter_map.h"
#include "contract/sample_data.h"

namespace shared_layout {

inline constexpr int kInstrumentSlots = parameter_map::kInstruments;
inline constexpr std::size_t kDelayBlockOffset = kInstrumentSlots * sizeof(InstrumentData);
// In the delay's block: the delay's records, written by the plug-in on the
// thread that sets a delay parameter; then the master values, written by
// the plug-in on the thread that sets one, or that loads a program or chunk.
inline constexpr int kFirstMasterEntry = parameter_map::kDelayCount;
inline constexpr int kDelayBlockEntries = kFirstMasterEntry + parameter_map::kMasterCount;
inline constexpr std::size_t kInstrumentRegionSize = kDelayBlockOffset + kDelayBlockEntries * sizeof(ParameterRecord);
inline constexpr std::size_t kSampleRegionSize = sizeof(SampleData);

static_assert(kDelayBlockOffset == 42880 && kDelayBlockEntries == 12);
static_assert(kInstrumentRegionSize == 43072 && kSampleRegionSize == 7728);

}  // namespace shared_layout
