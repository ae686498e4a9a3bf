#include "tests/e2e-x11/x11_harness.h"

#include <X11/Xlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace x11_test {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Fields of /proc/<pid>/stat after the name: state, parent.
bool processState(pid_t pid, std::string& name, char& state, pid_t& parent) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(file, text)) return false;
    const std::size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return false;
    name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 1));
    return static_cast<bool>(rest >> state >> parent);
}

// The environment the host (and so the editor program) starts with: this
// display, Qt on X11 at one device pixel per pixel.
std::vector<std::string> hostEnvironment(const std::string& display, const std::string& configHome) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; entry++) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        const bool replaced = name == "XDG_CONFIG_HOME" && !configHome.empty();
        if (name != "DISPLAY" && name.rfind("QT_", 0) != 0 && name != "WAYLAND_DISPLAY" && !replaced)
            variables.push_back(variable);
    }
    variables.insert(variables.end(), {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "QT_ENABLE_HIGHDPI_SCALING=0",
                                       "QT_FONT_DPI=96"});
    if (!configHome.empty()) variables.push_back("XDG_CONFIG_HOME=" + configHome);
    return variables;
}

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> result;
    for (std::string& word : words) result.push_back(word.data());
    result.push_back(nullptr);
    return result;
}

}  // namespace

bool installed(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream directories(path ? path : "/usr/bin:/bin");
    for (std::string directory; std::getline(directories, directory, ':');)
        if (access((directory + "/" + name).c_str(), X_OK) == 0) return true;
    return false;
}

std::string run(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "";
    std::string text;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, count);
    pclose(pipe);
    return text;
}

XServer::XServer() {
    for (int number = 90; number < 190 && pid < 0; number++) {
        struct stat existing;
        if (stat(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), &existing) == 0) continue;
        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0) return;
        std::vector<std::string> words = {"Xvfb", ":" + std::to_string(number), "-screen", "0", "1920x1200x24",
                                          "-noreset", "-nolisten", "tcp", "-displayfd", "3"};
        std::vector<char*> argv = pointers(words);
        const pid_t child = fork();
        if (child == 0) {
            dup2(report[1], 3);  // dup2 clears close-on-exec on the copy
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
            execvp("Xvfb", argv.data());
            _exit(127);
        }
        close(report[1]);
        // The display number arrives once the server accepts connections;
        // the end of the pipe without it means that display was taken.
        std::string answer;
        const auto until = Clock::now() + std::chrono::seconds(10);
        pollfd p = {report[0], POLLIN, 0};
        char buffer[32];
        while (answer.find('\n') == std::string::npos && poll(&p, 1, millisecondsLeft(until)) > 0) {
            const ssize_t count = read(report[0], buffer, sizeof buffer);
            if (count <= 0) break;
            answer.append(buffer, static_cast<std::size_t>(count));
        }
        close(report[0]);
        if (answer.find('\n') != std::string::npos) {
            pid = child;
            display = ":" + answer.substr(0, answer.find('\n'));
        } else if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
}

XServer::~XServer() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

HostProcess::HostProcess(const std::string& display, const std::string& configHome) {
    std::vector<std::string> words = {EDITOR_HOST, QUAXEL2_SO};
    std::vector<std::string> variables = hostEnvironment(display, configHome);
    std::vector<char*> argv = pointers(words), envp = pointers(variables);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input = in[1];
    output = out[0];
}

HostProcess::~HostProcess() {
    const std::vector<pid_t> editors = editorPrograms();
    if (pid > 0 && !reaped) {
        send("quit");
        if (exitStatus(5000) < 0) {
            kill(pid, SIGKILL);
            exitStatus(2000);
        }
    }
    for (pid_t editor : editors)
        if (alive(editor)) kill(editor, SIGKILL);
    if (input >= 0) close(input);
    if (output >= 0) close(output);
}

void HostProcess::send(const std::string& line) {
    const std::string text = line + "\n";
    if (input < 0 || write(input, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::perror("send to the host");
}

bool HostProcess::readMore(int ms) {
    pollfd p = {output, POLLIN, 0};
    if (output < 0 || poll(&p, 1, ms) <= 0) return false;
    char buffer[4096];
    const ssize_t count = read(output, buffer, sizeof buffer);
    if (count <= 0) return false;
    partial.append(buffer, static_cast<std::size_t>(count));
    for (std::size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1))
        lines.push_back(partial.substr(0, end));
    return true;
}

std::string HostProcess::take(const std::string& prefix, int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        for (auto line = lines.begin(); line != lines.end(); ++line) {
            if (line->rfind(prefix + " ", 0) != 0) continue;
            std::string found = *line;
            lines.erase(line);
            return found;
        }
        if (!readMore(millisecondsLeft(until)) && millisecondsLeft(until) == 0) return "";
    }
}

double HostProcess::ask(const std::string& command) {
    send(command);
    const std::string line = take(command);
    return line.empty() ? -1.0 : std::atof(line.c_str() + command.size() + 1);
}

int HostProcess::exitStatus(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    do {
        int status = 0;
        if (pid > 0 && !reaped && waitpid(pid, &status, WNOHANG) == pid) {
            reaped = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (millisecondsLeft(until) > 0);
    return -1;
}

std::vector<pid_t> HostProcess::editorPrograms() const {
    std::vector<pid_t> found;
    DIR* processes = opendir("/proc");
    if (!processes) return found;
    while (dirent* entry = readdir(processes)) {
        const pid_t candidate = static_cast<pid_t>(std::atoi(entry->d_name));
        std::string name;
        char state = 0;
        pid_t parent = 0;
        if (candidate > 0 && processState(candidate, name, state, parent) && parent == pid &&
            name == "UIQuaxel2VST" && state != 'Z')
            found.push_back(candidate);
    }
    closedir(processes);
    return found;
}

bool alive(pid_t pid) {
    std::string name;
    char state = 0;
    pid_t parent = 0;
    return processState(pid, name, state, parent) && state != 'Z' && state != 'X';
}

std::vector<std::string> childGeometries(const std::string& display, const std::string& window) {
    const std::string tree = run("DISPLAY=" + display + " xwininfo -tree -id " + window + " 2>/dev/null");
    std::vector<std::string> geometries;
    const std::size_t children = tree.find("child");
    if (children == std::string::npos) return geometries;
    std::istringstream lines(tree.substr(children));
    std::string line;
    std::getline(lines, line);  // "N children:"
    while (std::getline(lines, line)) {
        // '     0x400007 "name": ("res" "Class")  820x505+0+0  +0+0'
        std::istringstream words(line.substr(line.rfind(')') == std::string::npos ? 0 : line.rfind(')') + 1));
        std::string geometry;
        if (words >> geometry) geometries.push_back(geometry);
    }
    return geometries;
}

bool askToClose(const std::string& name, const std::string& window) {
    Display* display = XOpenDisplay(name.c_str());
    if (!display) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0;
    XCloseDisplay(display);
    return sent;
}

int distinctColours(const std::string& image, int x, int y, int width, int height) {
    const std::string region = std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" +
                               std::to_string(y);
    const std::string count = run("convert '" + image + "' -crop " + region + " +repage -format %k info: 2>/dev/null");
    return count.empty() ? 0 : std::atoi(count.c_str());
}

int differingPixels(const std::string& a, const std::string& b, int x, int y, int width, int height) {
    const std::string region = std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" +
                               std::to_string(y);
    const std::string count = run("compare -metric AE -extract " + region + " '" + a + "' '" + b + "' null: 2>&1");
    return !count.empty() && std::isdigit(static_cast<unsigned char>(count[0])) ? static_cast<int>(std::atof(count.c_str())) : -1;
}

std::string pixelColour(const std::string& image, int x, int y) {
    const std::string at = "1x1+" + std::to_string(x) + "+" + std::to_string(y);
    return run("convert '" + image + "' -crop " + at + " +repage -format '%[hex:p{0,0}]' info: 2>/dev/null").substr(0, 6);
}

}  // namespace x11_test
