// The sounds a factory program may name: the catalogue's display names and
// the embedded resources, with the markers programs give their samples: a
// sound meant to be held loops its sustain section, any other its whole
// length.
#pragma once

#include <cstdint>
#include <string_view>

namespace bankgen {

struct SampleMarkers {
    int32_t startPlay = 0;
    int32_t loopStart = 0;
    int32_t loopEnd = 0;
};

// Catalogue number of a display name, or -1.
int catalogueId(std::string_view name);
// Position in the embedded resources, or -1.
int resourceIndex(std::string_view name);

SampleMarkers catalogueMarkers(int id);
SampleMarkers resourceMarkers(int index);

}  // namespace bankgen
