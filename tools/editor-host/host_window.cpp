#include "tools/editor-host/host_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

HostWindow::HostWindow(Display* display)
    : display(display),
      protocols(XInternAtom(display, "WM_PROTOCOLS", False)),
      deleteWindow(XInternAtom(display, "WM_DELETE_WINDOW", False)) {}

bool HostWindow::create(int width, int height) {
    const int screen = DefaultScreen(display);
    window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                 BlackPixel(display, screen));
    if (!window) return false;
    XStoreName(display, window, "Quaxel2");
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const unsigned char title[] = "Quaxel2";
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace, title,
                    sizeof title - 1);
    const long pid = getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    char name[] = "quaxel2-editor-host", className[] = "Quaxel2";
    XClassHint classHint{name, className};
    XSetClassHint(display, window, &classHint);
    fixSize(width, height);
    Atom wanted = deleteWindow;
    XSetWMProtocols(display, window, &wanted, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XFlush(display);

    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    XEvent event;
    while (std::chrono::steady_clock::now() < until) {
        if (XCheckTypedWindowEvent(display, window, MapNotify, &event)) return true;
        pollfd p = {ConnectionNumber(display), POLLIN, 0};
        poll(&p, 1, 10);
    }
    return true;  // a window manager may hold the map back; the editor can still embed
}

// The user does not resize the editor: neither can they its window.
void HostWindow::fixSize(int width, int height) {
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
}

bool HostWindow::resize(int width, int height) {
    if (!window || width <= 0 || height <= 0) return false;
    fixSize(width, height);
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(display);
    return true;
}

void HostWindow::destroy() {
    if (!window) return;
    XDestroyWindow(display, window);
    XSync(display, False);
    window = 0;
}

bool HostWindow::closeRequested(const XEvent& event) const {
    return window && event.type == ClientMessage && event.xclient.window == window &&
           event.xclient.message_type == protocols && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow;
}
