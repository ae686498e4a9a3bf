// quaxel2-holder [--count 4] path/to/quaxel2.so
//
// Another host on the machine, as a musician's DAW would be while the tests
// run: loads the plug-in `count` times, plays each live (audio on a thread of
// its own) and opens each one's editor. Without a display the editor
// programs draw offscreen. Prints "holding N..." with the instance numbers
// its objects took, then keeps them until SIGTERM or SIGINT, and closes
// everything as a host does.
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/instance_numbers.h"
#include "tools/editor-host/plugin_host.h"

namespace {

volatile std::sig_atomic_t stopping = 0;

void onSignal(int) { stopping = 1; }

}  // namespace

int main(int argc, char** argv) {
    int count = 4;
    std::string path;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc) count = std::atoi(argv[++i]);
        else path = argv[i];
    }
    if (path.empty() || count < 1) {
        std::fprintf(stderr, "usage: quaxel2-holder [--count 4] path/to/quaxel2.so\n");
        return 2;
    }
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Handled, not blocked: the editor programs would inherit a blocked mask.
    signal(SIGTERM, onSignal);
    signal(SIGINT, onSignal);

    std::vector<std::unique_ptr<PluginHost>> hosts;
    for (int i = 0; i < count; i++) {
        auto host = std::make_unique<PluginHost>(44100.0, 256);
        if (!host->load(path)) return 1;
        // A window of no X server: the editor program starts and runs, as
        // one whose window the host has not mapped yet.
        host->openEditor(1000 + static_cast<unsigned long>(i));
        hosts.push_back(std::move(host));
    }
    std::string numbers;
    for (int n : mappedInstanceNumbers()) numbers += " " + std::to_string(n);
    std::printf("holding%s\n", numbers.c_str());
    std::fflush(stdout);

    while (!stopping) usleep(100000);
    for (auto& host : hosts) host->closeEditor();
    hosts.clear();
    std::printf("released\n");
    return 0;
}
