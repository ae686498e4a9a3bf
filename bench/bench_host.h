// The host the benchmarks play: it answers the version query and gives a
// steady tempo of 120, as a host with its transport stopped would.
#pragma once

#include "host/vst2.h"

inline VstIntPtr benchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    static const VstTimeInfo info = [] {
        VstTimeInfo t{};
        t.tempo = 120.0;
        return t;
    }();
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&info);
    return 0;
}
