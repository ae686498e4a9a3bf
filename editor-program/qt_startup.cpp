#include "editor-program/qt_startup.h"

#include <xcb/xcb.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "contract/window_size.h"

namespace {

bool offscreenRequested() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform && std::strcmp(platform, "offscreen") == 0;
}

constexpr double kDotsAtFullSize = 96.0;

}  // namespace

void prepareQtEnvironment(int percent) {
    // The host's window has the size the plug-in gave it: a desktop's scale
    // on top would not fit it, and a desktop's Wayland setting must not move
    // us off X11.
    if (!offscreenRequested()) setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_FONT_DPI", "96", 1);
    unsetenv("QT_SCREEN_SCALE_FACTORS");
    unsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
    if (percent == 100 || !window_size::allowed(percent))
        unsetenv("QT_SCALE_FACTOR");
    else
        setenv("QT_SCALE_FACTOR", std::to_string(percent / 100.0).c_str(), 1);
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

int windowScaleOfResources(const char* resources) {
    const char* line = resources;
    while (line && *line) {
        if (std::strncmp(line, "Xft.dpi:", 8) == 0) {
            const double dots = std::strtod(line + 8, nullptr);
            if (!(dots > 0) || !std::isfinite(dots)) return 100;
            // The nearest size; halfway between two, the larger.
            const double percent = dots / kDotsAtFullSize * 100.0;
            return percent >= 175.0 ? 200 : percent >= 125.0 ? 150 : 100;
        }
        line = std::strchr(line, '\n');
        if (line) line++;
    }
    return 100;
}

int desktopWindowScale() {
    if (offscreenRequested()) return 100;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    int percent = 100;
    if (xcb_connection_has_error(connection) == 0) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, screen->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 16384),
            nullptr);
        if (reply) {
            const int length = xcb_get_property_value_length(reply);
            const std::string resources(static_cast<const char*>(xcb_get_property_value(reply)),
                                        static_cast<std::size_t>(length > 0 ? length : 0));
            percent = windowScaleOfResources(resources.c_str());
            std::free(reply);
        }
    }
    xcb_disconnect(connection);
    return percent;
}
