// One parameter as the plug-in shares it with the editor program: its value
// and three display hints, 16 bytes. The instrument records and the delay's
// block are made of these.
#pragma once

#include <cstddef>
#include <cstdint>

struct ParameterRecord {
    float value;     // written by the plug-in whenever the parameter is set, on that thread
    int32_t steps;   // the hints: written by the plug-in when the record is taken
    int32_t offset;  //   (and, for the delay's time, when sync switches)
    int32_t mark;
};
static_assert(offsetof(ParameterRecord, steps) == 4 && offsetof(ParameterRecord, offset) == 8);
static_assert(offsetof(ParameterRecord, mark) == 12 && sizeof(ParameterRecord) == 16);
