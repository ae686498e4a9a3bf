// UIQuaxel2VST WINDOW INSTANCE: the editor program of one plug-in object.
// WINDOW is the host's window handle in decimal, INSTANCE the plug-in's
// instance number, which names the FIFOs and shared-memory regions.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "editor-program/dark_look.h"
#include "editor-program/embedder.h"
#include "editor-program/main_widget.h"
#include "editor-program/parent_watch.h"
#include "editor-program/poll_pace.h"
#include "editor-program/qt_startup.h"
#include "editor-program/settings.h"
#include "editor-program/trace_window.h"
#include "editor-program/uicommunication.h"

namespace {

// A whole decimal number within [0, limit].
bool parseDecimal(const char* text, unsigned long long limit, unsigned long long& value) {
    if (!text || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && value <= limit;
}

// SIGTERM and SIGINT arrive as readable data in the event loop.
int endSignalsDescriptor() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

// What the program does until it ends, or until it is to start again at
// another window size (`restartIn` then holds the host's window it was in).
struct Run {
    int status = 0;
    bool restart = false;
    uint64_t restartIn = 0;
};

Run runEditor(int argc, char** argv, uint64_t window, int instance, int percent, int endSignals,
              const ParentWatch& parent) {
    Run run;
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    applyDarkLook(application);
    UICommunication communication(instance);
    // The plug-in sizes the host's window to ours. A FIFO that did not
    // open has been reported already.
    static_cast<void>(communication.send(fromUi::windowScale(percent)));

    MainWidget mainWidget(communication);
    TraceWindow traced(mainWidget);
    communication.setWindow(&traced);
    Embedder embedder(mainWidget, [&mainWidget] { mainWidget.containerClosed(); });
    mainWidget.setEmbedder([&embedder](uint64_t host) { embedder.embedInto(host); });
    mainWidget.setQuitter([] { QCoreApplication::exit(0); });
    // Qt draws at one scale for the whole process: another size starts the
    // program again, in the same window. Everything shown is the plug-in's,
    // so the new start shows it all as it was.
    mainWidget.setResizer([&run, &embedder, percent](int chosen) {
        if (chosen == percent) return;
        run.restart = true;
        run.restartIn = embedder.host();
        QCoreApplication::exit(0);
    });
    mainWidget.updateAndCreateView(communication.instrumentRegion());
    if (const char* timing = std::getenv("QUAXEL2_UI_TIMING")) {
        // The window benchmarks name a FIFO and time from our start, or from
        // an open of the editor, to this word.
        const std::string path = timing;
        mainWidget.setPaintReport([path] {
            const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) return;
            if (write(fd, "painted\n", 8) != 8) std::printf("Quaxel2UI > could not report the first paint\n");
            close(fd);
        });
    }

    std::printf("Quaxel2UI > trying to create embed X11 widget\n");
    traced.embedInto(window);

    const PollPace poll(
        [&] {
            communication.processMessageFromPlugin();
            mainWidget.poll();
            if (parent.gone()) {
                std::printf("Quaxel2UI > plugin process is gone, terminating\n");
                run.restart = false;
                QCoreApplication::exit(0);
            }
        },
        [&communication] { return communication.traffic(); }, communication.incoming());

    QSocketNotifier signalNotifier(endSignals, QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&run, endSignals] {
        signalfd_siginfo info{};
        if (read(endSignals, &info, sizeof info) != sizeof info) return;
        std::printf("Quaxel2UI > terminating on signal %u\n", info.ssi_signo);
        run.restart = false;
        QCoreApplication::exit(0);
    });

    run.status = application.exec();
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, before the parent has much chance to end.
    const ParentWatch parent;
    // Started from an open file, the process would be named after its
    // descriptor; it goes by its own name.
    prctl(PR_SET_NAME, "UIQuaxel2VST");
    // Lines reach the host's output (or a pipe) as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    unsigned long long window = 0, instance = 0;
    if (argc != 3 || !parseDecimal(argv[1], ~0ull, window) || !parseDecimal(argv[2], 0x7fffffff, instance)) {
        std::printf("Quaxel2UI > usage: UIQuaxel2VST WINDOW INSTANCE (both decimal)\n");
        return 2;
    }
    if (!displayReachable()) return 1;
    const int chosen = Settings::windowScale();
    const int percent = chosen != 0 ? chosen : desktopWindowScale();
    prepareQtEnvironment(percent);
    const int endSignals = endSignalsDescriptor();

    const Run run = runEditor(argc, argv, window, static_cast<int>(instance), percent, endSignals, parent);
    if (endSignals >= 0) close(endSignals);
    if (!run.restart) return run.status;

    // Every window and the X connection are gone with the QApplication; the
    // FIFOs stay open at the plug-in's end, which holds what it sends meanwhile.
    std::string host = std::to_string(run.restartIn), number = std::to_string(instance);
    char* arguments[] = {argv[0], host.data(), number.data(), nullptr};
    std::printf("Quaxel2UI > starting again at the new window size\n");
    execv("/proc/self/exe", arguments);
    std::printf("Quaxel2UI > could not start again: %s\n", std::strerror(errno));
    return 1;
}
