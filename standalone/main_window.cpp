#include "standalone/main_window.h"
#include "standalone/window_run.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "standalone/jack_engine.h"
#include "standalone/state_file.h"
#include "tools/vst-host/vst_host.h"

namespace {

constexpr int kIdleMs = 20;
constexpr int kAudioFiguresMs = 1000;
constexpr const char* kStateFilter = "Quaxel2 state (*.state);;All files (*)";

void say(const std::string& line) {
    std::printf("quaxel2-standalone: %s\n", line.c_str());
    std::fflush(stdout);
}

QString programLabel(int program, const std::string& name) {
    return QString::asprintf("%03d %s", program, name.c_str());
}

// The editor's window has the size the plug-in gives in pixels: a desktop
// scale on this window would leave it a frame of another size.
void prepareQtEnvironment() {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    unsetenv("QT_SCALE_FACTOR");
    unsetenv("QT_SCREEN_SCALE_FACTORS");
    unsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
}

// What the plug-in asks of the window, from whatever thread it asks: kept
// here for the window's 20 ms timer to carry out on its own thread. These
// live as long as the program, so a late call from a plug-in thread never
// reaches a window that is gone.
std::atomic<bool> displayChanged{false};
std::atomic<uint64_t> requestedSize{0};  // width << 32 | height; 0: none

}  // namespace

bool windowDisplayReachable(std::string& why) {
    const char* display = std::getenv("DISPLAY");
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!reachable)
        why = std::string("cannot reach the X display \"") + (display ? display : "") +
              "\" for the window; run with --no-gui to play without one";
    return reachable;
}

MainWindow::MainWindow(VstHost& host, JackEngine& engine)
    : host_(host), engine_(engine), stateFile_(lastStatePath()) {
    buildFileMenu();
    programMenu_ = menuBar()->addMenu("&Program");
    connect(programMenu_, &QMenu::aboutToShow, this, &MainWindow::fillProgramMenu);
    audioMenu_ = menuBar()->addMenu("&Audio");
    connect(audioMenu_, &QMenu::aboutToShow, this, &MainWindow::fillAudioMenu);
    fillProgramMenu();
    fillAudioMenu();

    // A plain native window for the editor program to put itself into.
    container_ = new QWidget(this);
    container_->setAttribute(Qt::WA_NativeWindow);
    container_->setAttribute(Qt::WA_DontCreateNativeAncestors);
    int width = 0, height = 0;
    if (!host_.editorSize(width, height)) width = 820, height = 505;
    container_->setFixedSize(width, height);
    setCentralWidget(container_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    container_->winId();
    showProgramInTitle();

    host_.onUpdateDisplay([] { displayChanged.store(true); });
    host_.onSizeWindow([](int w, int h) {
        if (w <= 0 || h <= 0) return false;
        requestedSize.store(static_cast<uint64_t>(w) << 32 | static_cast<uint32_t>(h));
        return true;
    });
    auto* idleTimer = new QTimer(this);
    connect(idleTimer, &QTimer::timeout, this, &MainWindow::idle);
    idleTimer->start(kIdleMs);
    auto* audioTimer = new QTimer(this);
    connect(audioTimer, &QTimer::timeout, this, &MainWindow::fillAudioMenu);
    audioTimer->start(kAudioFiguresMs);
}

MainWindow::~MainWindow() { closeEditor(); }

void MainWindow::openEditor() {
    if (host_.hasEditor()) host_.openEditor(static_cast<unsigned long>(container_->winId()));
}

void MainWindow::closeEditor() { host_.closeEditor(); }

bool MainWindow::resizeEditor(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    container_->setFixedSize(width, height);
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    QApplication::quit();
}

void MainWindow::buildFileMenu() {
    QMenu* file = menuBar()->addMenu("&File");
    QAction* open = file->addAction("&Open state...", this, &MainWindow::openState);
    open->setShortcut(QKeySequence::Open);
    QAction* save = file->addAction("&Save state", this, [this] { saveState(stateFile_); });
    save->setShortcut(QKeySequence::Save);
    QAction* saveAs = file->addAction("Save state &as...", this, &MainWindow::saveStateAs);
    saveAs->setShortcut(QKeySequence::SaveAs);
    file->addSeparator();
    QAction* quit = file->addAction("&Quit", this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
}

// Rebuilt each time it opens: the editor may have renamed programs or
// picked another one since.
void MainWindow::fillProgramMenu() {
    programMenu_->clear();
    auto* group = new QActionGroup(programMenu_);
    const int current = host_.program();
    for (int program = 0; program < host_.programCount(); ++program) {
        QAction* action = programMenu_->addAction(programLabel(program, host_.programName(program)));
        action->setCheckable(true);
        action->setChecked(program == current);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, program] { pickProgram(program); });
    }
}

void MainWindow::fillAudioMenu() {
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    const std::vector<QString> lines = {
        QString::asprintf("Server: %s, client: %s", server && *server ? server : "default",
                          engine_.clientName().c_str()),
        QString::asprintf("Rate: %d Hz", engine_.sampleRate()),
        QString::asprintf("Period: %d frames", engine_.periodFrames()),
        QString::asprintf("Xruns: %ld", engine_.xruns())};
    const QList<QAction*> actions = audioMenu_->actions();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i < static_cast<size_t>(actions.size())) {
            actions[static_cast<int>(i)]->setText(lines[i]);
        } else {
            audioMenu_->addAction(lines[i])->setEnabled(false);
        }
    }
}

// As a host does: effSetProgram on the thread that runs the window.
void MainWindow::pickProgram(int program) {
    host_.setProgram(program);
    showProgramInTitle();
    say("program " + std::to_string(host_.program()) + " " + host_.programName());
}

void MainWindow::openState() {
    const QString path = QFileDialog::getOpenFileName(this, "Open state", QString::fromStdString(stateFile_),
                                                      kStateFilter);
    if (path.isEmpty()) return;
    std::vector<char> bytes;
    std::string why;
    if (!readStateFile(path.toStdString(), bytes, why)) {
        QMessageBox::warning(this, "Open state", QString::fromStdString(why));
        return;
    }
    const StandaloneState state = decodeState(bytes);
    std::vector<char> chunk = state.chunk;
    if (host_.setChunk(chunk, false) == 0) {
        QMessageBox::warning(this, "Open state", "The plug-in refused the state in " + path + ".");
        return;
    }
    if (state.program >= 0 && state.program < host_.programCount()) host_.setProgram(state.program);
    stateFile_ = path.toStdString();
    showProgramInTitle();
    say("state opened from '" + stateFile_ + "'");
}

void MainWindow::saveState(const std::string& path) {
    const StandaloneState state{host_.chunk(false), host_.program()};
    std::string why;
    if (state.chunk.empty()) why = "the plug-in gave no state to save";
    if (!why.empty() || !writeStateFile(path, encodeState(state), why)) {
        QMessageBox::warning(this, "Save state", QString::fromStdString(why));
        return;
    }
    stateFile_ = path;
    say("state saved to '" + path + "'");
}

void MainWindow::saveStateAs() {
    const QString path = QFileDialog::getSaveFileName(this, "Save state as", QString::fromStdString(stateFile_),
                                                      kStateFilter);
    if (!path.isEmpty()) saveState(path.toStdString());
}

// The plug-in asks for a new size mostly from inside effEditIdle: the
// container follows at once, before the next idle.
void MainWindow::idle() {
    host_.idleEditor();
    if (const uint64_t size = requestedSize.exchange(0))
        resizeEditor(static_cast<int>(size >> 32), static_cast<int>(size & 0xffffffffu));
    if (displayChanged.exchange(false)) showProgramInTitle();
}

void MainWindow::showProgramInTitle() {
    setWindowTitle("Quaxel2 - " + programLabel(host_.program(), host_.programName()));
}

void playInWindow(VstHost& host, JackEngine& engine, const sigset_t& endingSignals) {
    prepareQtEnvironment();
    int argc = 1;
    char name[] = "quaxel2-standalone";
    char* argv[] = {name, nullptr};
    // Only the editor's container needs a native window of its own.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication application(argc, argv);
    application.setApplicationName("quaxel2-standalone");
    application.setDesktopFileName("quaxel2-standalone");

    // The ending signals come through the event loop, so that the window and
    // the editor close on the thread that owns them.
    const int signalFd = signalfd(-1, &endingSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd < 0) say("cannot watch for SIGINT and SIGTERM; quit from the window");
    std::unique_ptr<QSocketNotifier> notifier;
    if (signalFd >= 0) {
        notifier = std::make_unique<QSocketNotifier>(signalFd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&] {
            signalfd_siginfo info;
            while (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
                if (info.ssi_signo != SIGUSR1 || engine.serverGone()) QApplication::quit();
        });
    }

    {
        MainWindow window(host, engine);
        window.show();
        window.openEditor();
        QApplication::exec();
        window.closeEditor();
    }
    notifier.reset();
    if (signalFd >= 0) close(signalFd);
}
