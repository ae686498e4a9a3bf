// The musical time a hosted plug-in reads for one period: JACK transport's
// tempo and position while it rolls, a steady 120 bpm otherwise.
#pragma once

#include <jack/transport.h>

#include "host/vst2.h"

inline constexpr double kDefaultTempo = 120.0;

// Fills `info` for the period that starts at `position`. While the transport
// rolls with a timebase master (bar, beat and tick valid) the tempo, meter and
// bar position are the master's; without one, or while stopped, the tempo is
// 120 bpm in 4/4 counted from the transport frame. `changed` marks the first
// period after the transport started or stopped.
void fillTimeInfo(VstTimeInfo& info, bool rolling, const jack_position_t& position, bool changed);
