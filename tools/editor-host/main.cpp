// quaxel2-editor-host [--rate 44100] [--block 256] path/to/quaxel2.so
//
// Loads a VST 2.4 instrument, renders its audio in real time (to nowhere: the
// peak is kept), and opens its editor in a window of its own. Closing the
// window ends the program. Lines on standard input drive it:
//   close | open | param <index> | peak | note <n> <vel> | off <n> | program <n> | current | name <n> | rect | quit
// and it answers on standard output with lines of the same words:
//   window <id>, param <index> <value>, peak <value>, automate <index> <value>,
//   size <width> <height> (the plug-in asked for another size of its window),
//   current <program> <name>, name <program> <name>, rect <width> <height> (effEditGetRect),
//   update display (the plug-in asked the host to
//   read its program and names again),
// and error <line> for a line it does not understand. With standard input
// at its end, only the window closing ends it.
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tools/editor-host/host_window.h"
#include "tools/editor-host/output.h"
#include "tools/editor-host/plugin_host.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int) { interrupted = 1; }

int usage() {
    std::fprintf(stderr, "usage: quaxel2-editor-host [--rate 44100] [--block 256] path/to/plugin.so\n");
    return 2;
}

struct Session {
    PluginHost& plugin;
    HostWindow& window;
    bool quit = false;

    void open() {
        if (!window.exists()) {
            int width = 0, height = 0;
            plugin.editorSize(width, height);
            if (width <= 0 || height <= 0 || !window.create(width, height)) {
                printLine("error no window");
                return;
            }
            plugin.openEditor(window.id());
        }
        printLine("window %lu", window.id());
    }

    void close() {
        plugin.closeEditor();
        window.destroy();
    }

    void command(const std::string& line) {
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        int a = 0, b = 0;
        if (verb.empty()) return;
        if (verb == "close") close();
        else if (verb == "open") open();
        else if (verb == "quit") quit = true;
        else if (verb == "peak") printLine("peak %.6f", static_cast<double>(plugin.takePeak()));
        else if (verb == "param" && words >> a) printLine("param %d %.6f", a, static_cast<double>(plugin.parameter(a)));
        else if (verb == "note" && words >> a >> b) plugin.queueMidi(0x90, a & 127, b & 127);
        else if (verb == "off" && words >> a) plugin.queueMidi(0x80, a & 127, 0);
        else if (verb == "program" && words >> a) plugin.setProgram(a);
        else if (verb == "current") printLine("current %d %s", plugin.program(), plugin.programName().c_str());
        else if (verb == "name" && words >> a) printLine("name %d %s", a, plugin.programName(a).c_str());
        else if (verb == "rect") {
            plugin.editorSize(a, b);
            printLine("rect %d %d", a, b);
        }
        else printLine("error %s", line.c_str());
    }
};

}  // namespace

int main(int argc, char** argv) {
    double rate = 44100.0;
    int block = 256;
    std::string path;
    for (int i = 1; i < argc; i++) {
        const std::string word = argv[i];
        if (word == "--rate" && i + 1 < argc) rate = std::atof(argv[++i]);
        else if (word == "--block" && i + 1 < argc) block = std::atoi(argv[++i]);
        else if (path.empty() && word.rfind("--", 0) != 0) path = word;
        else return usage();
    }
    if (path.empty() || rate < 8000.0 || rate > 384000.0 || block < 1 || block > 8192) return usage();

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the X display (is DISPLAY set?)\n");
        return 1;
    }
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    PluginHost plugin(rate, block);
    if (!plugin.load(path)) return 1;
    if (!plugin.hasEditor()) {
        std::fprintf(stderr, "%s has no editor\n", path.c_str());
        return 1;
    }
    HostWindow window(display);
    plugin.resizeEditor = [&window](int width, int height) { return window.resize(width, height); };
    Session session{plugin, window};
    session.open();

    // The editor gets an idle call every 20 ms, as from a host's GUI loop.
    const auto idlePeriod = std::chrono::milliseconds(20);
    auto nextIdle = std::chrono::steady_clock::now();
    bool inputOpen = true;
    std::string input;
    while (!session.quit && !interrupted) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (window.closeRequested(event)) session.quit = true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextIdle) {
            plugin.idle();
            nextIdle = std::max(nextIdle + idlePeriod, now);
        }
        // Nothing left to say what to do: no window, and no more input.
        if (!inputOpen && !window.exists()) break;

        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextIdle - now).count();
        if (poll(fds, inputOpen ? 2 : 1, static_cast<int>(wait) + 1) <= 0) continue;
        if (inputOpen && (fds[1].revents & (POLLIN | POLLHUP))) {
            char buffer[1024];
            const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
            if (count <= 0) inputOpen = false;
            else input.append(buffer, static_cast<std::size_t>(count));
            for (std::size_t end; !session.quit && (end = input.find('\n')) != std::string::npos;) {
                session.command(input.substr(0, end));
                input.erase(0, end + 1);
            }
        }
    }
    session.close();
    plugin.unload();
    XCloseDisplay(display);
    return 0;
}
