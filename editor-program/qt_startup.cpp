#include "editor-program/qt_startup.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool offscreenRequested() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform && std::strcmp(platform, "offscreen") == 0;
}

}  // namespace

void prepareQtEnvironment() {
    // The host's window is a fixed 820 x 505 pixels: a scaled window would
    // not fit it, and a desktop's Wayland setting must not move us off X11.
    if (!offscreenRequested()) setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_FONT_DPI", "96", 1);
    unsetenv("QT_SCALE_FACTOR");
    unsetenv("QT_SCREEN_SCALE_FACTORS");
    unsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
}

bool displayReachable() {
    if (offscreenRequested()) return true;
    const char* display = std::getenv("DISPLAY");
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!reachable)
        std::printf("Quaxel2UI > error can't reach the X display \"%s\": the editor window needs X11\n",
                    display ? display : "");
    return reachable;
}
