// Times in the sample as the waveform panel writes them: "1.234 s" below a
// minute, "2:03.456" from a minute on.
#pragma once

#include <QString>
#include <cstdint>

namespace time_text {

// `seconds` (not negative) with `decimals` digits after the point.
QString seconds(double seconds, int decimals);
// Frame `frame` of a sample at `rate` Hz, to the millisecond; in frames
// when the rate is not known.
QString ofFrame(int64_t frame, int rate);

}  // namespace time_text
