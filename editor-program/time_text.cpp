#include "editor-program/time_text.h"

#include <algorithm>
#include <cmath>

namespace time_text {

QString seconds(double seconds, int decimals) {
    decimals = std::clamp(decimals, 0, 6);
    const double scale = std::pow(10.0, decimals);
    // Rounded once, so that 59.9996 s reads "1:00.000" and not "60.000 s".
    const int64_t units = std::llround(std::max(seconds, 0.0) * scale);
    const int64_t perMinute = 60 * static_cast<int64_t>(scale);
    const double rest = static_cast<double>(units % perMinute) / scale;
    if (units < perMinute) return QString::number(rest, 'f', decimals) + " s";
    const int width = decimals > 0 ? decimals + 3 : 2;  // "03.456" or "03"
    return QString("%1:%2").arg(units / perMinute).arg(rest, width, 'f', decimals, QChar('0'));
}

QString ofFrame(int64_t frame, int rate) {
    if (rate <= 0) return QString::number(frame) + " frames";
    return seconds(static_cast<double>(frame) / rate, 3);
}

}  // namespace time_text
