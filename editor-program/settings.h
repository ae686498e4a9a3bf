// The program's settings, kept by QSettings under "Quaxel2" / "UIQuaxel2VST".
// Each read goes to the store, so a change made in the configuration dialog
// applies at the next use without anyone being told.
#pragma once

#include <QString>

class Settings {
public:
    static constexpr const char* kEnableLoopAutomation = "plugin/enableLoopAutomation";
    static constexpr const char* kDisableKeyboardFocus = "editor/disableKeyboardFocus";
    static constexpr const char* kSetDragScroll = "editor/setDragScroll";
    static constexpr const char* kZoomCentered = "editor/zoomCentered";
    static constexpr const char* kUserPath = "editor/userpath";
    static constexpr const char* kWindowScale = "editor/windowScale";  // a percentage

    static bool flag(const char* key, bool fallback = false);
    static void setFlag(const char* key, bool on);
    // The user's sample folder; empty when none is set.
    static QString userPath();
    static void setUserPath(const QString& path);
    // The window's size in percent (contract/window_size.h); 0 when none
    // is set, or what is set is no size of the window.
    static int windowScale();
    static void setWindowScale(int percent);
};
