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
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "editor-program/dark_look.h"
#include "editor-program/embedder.h"
#include "editor-program/main_widget.h"
#include "editor-program/parent_watch.h"
#include "editor-program/qt_startup.h"
#include "editor-program/trace_window.h"
#include "editor-program/uicommunication.h"

namespace {

constexpr int kPollMilliseconds = 20;

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
    prepareQtEnvironment();
    if (!displayReachable()) return 1;
    const int endSignals = endSignalsDescriptor();

    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    applyDarkLook(application);
    UICommunication communication(static_cast<int>(instance));

    MainWidget mainWidget(communication);
    TraceWindow traced(mainWidget);
    communication.setWindow(&traced);
    Embedder embedder(mainWidget, [&mainWidget] { mainWidget.containerClosed(); });
    mainWidget.setEmbedder([&embedder](uint64_t host) { embedder.embedInto(host); });
    mainWidget.setQuitter([] { QCoreApplication::exit(0); });
    mainWidget.updateAndCreateView(communication.instrumentRegion());
    if (const char* timing = std::getenv("QUAXEL2_UI_TIMING")) {
        // The start-up benchmark names a FIFO and times from our start to this word.
        const std::string path = timing;
        mainWidget.setFirstPaint([path] {
            const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) return;
            if (write(fd, "painted\n", 8) != 8) std::printf("Quaxel2UI > could not report the first paint\n");
            close(fd);
        });
    }

    std::printf("Quaxel2UI > trying to create embed X11 widget\n");
    traced.embedInto(window);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        communication.processMessageFromPlugin();
        mainWidget.poll();
        if (parent.gone()) {
            std::printf("Quaxel2UI > plugin process is gone, terminating\n");
            QCoreApplication::exit(0);
        }
    });
    poll.start(kPollMilliseconds);

    QSocketNotifier signalNotifier(endSignals, QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [endSignals] {
        signalfd_siginfo info{};
        if (read(endSignals, &info, sizeof info) != sizeof info) return;
        std::printf("Quaxel2UI > terminating on signal %u\n", info.ssi_signo);
        QCoreApplication::exit(0);
    });

    const int status = application.exec();
    if (endSignals >= 0) close(endSignals);
    return status;
}
