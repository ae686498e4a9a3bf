// The editor program that tests start draws on Qt's offscreen platform (no
// X server needed) and logs each message it receives, unless the test run
// says otherwise. Programs inherit the environment of whoever starts them.
#pragma once

#include <cstdlib>

inline bool useOffscreenEditor() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QUAXEL2_UI_TRACE", "1", 0);
    return true;
}
