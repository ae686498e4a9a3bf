// A private X server, the editor host as a child process talking over pipes,
// and the X tools the window tests drive it with.
#pragma once

#include <sys/types.h>

#include <deque>
#include <string>
#include <vector>

namespace x11_test {

// Whether `name` is an executable on PATH.
bool installed(const std::string& name);
// Runs a shell command; its standard output.
std::string run(const std::string& command);

// Xvfb on the first free display from :90 on, 1920x1200x24 (room for the
// editor at 200 %), ended with the object.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    bool running() const { return pid > 0; }
    // ":N"
    std::string display;

private:
    pid_t pid = -1;
};

// quaxel2-editor-host with quaxel2.so on `display`, standard input and
// output on pipes; the editor program keeps its settings under `configHome`
// (XDG_CONFIG_HOME), or the user's when it is empty.
class HostProcess {
public:
    explicit HostProcess(const std::string& display, const std::string& configHome = "");
    // Asks it to quit, then kills what still runs (the host and its editor program).
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    void send(const std::string& line);
    // The first line not taken yet that starts with `prefix` followed by a
    // space, waiting up to `ms`; "" if none came. Lines passed over stay.
    std::string take(const std::string& prefix, int ms = 5000);
    // The number in the answer to `command`, which begins with the command.
    double ask(const std::string& command);
    // Its exit code within `ms`, or -1 while it runs.
    int exitStatus(int ms);
    // Running children named UIQuaxel2VST.
    std::vector<pid_t> editorPrograms() const;

    pid_t pid = -1;

private:
    bool readMore(int ms);
    int input = -1, output = -1;
    std::string partial;
    std::deque<std::string> lines;
    bool reaped = false;
};

// Whether the process still runs (a zombie does not).
bool alive(pid_t pid);
// The `WxH+X+Y` geometries of the children of `window` as xwininfo lists them.
std::vector<std::string> childGeometries(const std::string& display, const std::string& window);
// Sends WM_DELETE_WINDOW to `window` as a window manager does when the user
// closes it.
bool askToClose(const std::string& display, const std::string& window);
// Number of distinct colours in a region of an image file.
int distinctColours(const std::string& image, int x, int y, int width, int height);
// Number of pixels that differ between two image files within a region;
// -1 when they cannot be compared.
int differingPixels(const std::string& a, const std::string& b, int x, int y, int width, int height);
// The colour of one pixel of an image file as six hex digits, RRGGBB.
std::string pixelColour(const std::string& image, int x, int y);

}  // namespace x11_test
