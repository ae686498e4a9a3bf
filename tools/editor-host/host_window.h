// The top-level X11 window the editor lives in, titled "Quaxel2", of a fixed
// size, and closable from the desktop (WM_DELETE_WINDOW).
#pragma once

#include <X11/Xlib.h>

class HostWindow {
public:
    explicit HostWindow(Display* display);
    ~HostWindow() { destroy(); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // Creates and maps the window and waits (up to a second) until it is.
    bool create(int width, int height);
    void destroy();
    // Gives the window another fixed size.
    bool resize(int width, int height);
    // Handles one event; true when the desktop asks for the window to close.
    bool closeRequested(const XEvent& event) const;

    Window id() const { return window; }
    bool exists() const { return window != 0; }

private:
    void fixSize(int width, int height);

    Display* display;
    Window window = 0;
    Atom protocols, deleteWindow;
};
