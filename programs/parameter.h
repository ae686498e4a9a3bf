// One live parameter of an instrument or of the delay, and the 16-byte form
// in which it is shared with the editor program.
#pragma once

#include <cstdint>
#include <string>

#include "contract/parameter_record.h"
#include "programs/relaxed_float.h"

// A value as the sound may use it: within 0 to 1, and 0 for NaN, whatever
// a host or a stored state delivers.
inline float normalised(float x) {
    if (!(x >= 0.0f)) return 0.0f;
    return x > 1.0f ? 1.0f : x;
}

// A stored value as the sound may use it: within 0 to 1, and `fallback`
// for NaN.
inline float applicable(float x, float fallback) { return x != x ? fallback : normalised(x); }

// The whole step 0..steps that a stepped value plays: the step at or below
// x * steps, where a value less than a thousandth of a step short of a step
// counts as that step. The editor sends step k as k / steps in single
// precision, which for some k falls a hair short (finetune 53 / 200 is
// 52.99999 steps): it plays step k. NaN plays step 0.
inline int playedStep(float x, int steps) {
    return static_cast<int>(static_cast<double>(normalised(x)) * steps + 1e-3);
}

struct Parameter {
    int32_t steps = 100;
    int32_t offset = 0;
    int32_t mark = 0;
    RelaxedFloat value = 0.0f;  // read by other threads without a lock
    std::string name = "default";

    void writeTo(ParameterRecord& record) const {
        record.value = value;
        record.steps = steps;
        record.offset = offset;
        record.mark = mark;
    }
};
