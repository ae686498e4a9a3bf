// The editor window's size: 820 x 505 at 100 %, and the larger sizes the
// editor program can be set to. The editor program draws at the size it is
// set to and tells the plug-in the percentage; the plug-in answers the
// host's question for the editor's rectangle with the same scaled size.
#pragma once

#include <cstdint>

namespace window_size {

constexpr int kWidth = 820;
constexpr int kHeight = 505;
constexpr int32_t kPercents[] = {100, 150, 200};

constexpr bool allowed(int32_t percent) {
    for (int32_t each : kPercents)
        if (each == percent) return true;
    return false;
}

// Whole pixels at every allowed size: 820 x 505, 1230 x 758 (757.5 rounded
// up, as Qt rounds the window's height), 1640 x 1010.
constexpr int scaled(int length, int32_t percent) { return (length * percent + 50) / 100; }

}  // namespace window_size
