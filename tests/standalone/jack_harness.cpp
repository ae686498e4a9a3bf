#include "jack_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace standalone_test {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point after(double seconds) {
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 const std::string& outPath, const std::string& errPath) {
    // Everything the child needs is made before fork: a child of a process
    // with threads may call nothing that could wait for a lock.
    std::vector<std::string> copies(argv), settings;
    for (char** entry = environ; *entry; ++entry) {
        const std::string setting = *entry;
        const std::string name = setting.substr(0, setting.find('=') + 1);
        bool replaced = false;
        for (const std::string& given : environment) replaced = replaced || given.rfind(name, 0) == 0;
        if (!replaced) settings.push_back(setting);
    }
    settings.insert(settings.end(), environment.begin(), environment.end());
    std::vector<char*> args, envp;
    for (auto& arg : copies) args.push_back(arg.data());
    for (auto& setting : settings) envp.push_back(setting.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ != 0) return;
    // The child: dies with the test, so that a crashed test leaves no server behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(126);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = errPath == outPath ? out : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) dup2(out, STDOUT_FILENO);
    if (err >= 0) dup2(err, STDERR_FILENO);
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
}

Process::~Process() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        wait(5);
    }
}

void Process::signal(int number) const {
    if (pid_ > 0 && !ended_) kill(pid_, number);
}

bool Process::wait(double seconds) {
    if (pid_ <= 0) return false;
    const auto deadline = after(seconds);
    while (!ended_) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            ended_ = true;
            exited_ = WIFEXITED(status);
            exitCode_ = exited_ ? WEXITSTATUS(status) : -1;
            break;
        }
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ServerName::ServerName() {
    const auto deadline = after(60);
    for (;;) {
        for (int slot = 0; slot < kPool; slot++) {
            const std::string path = "/tmp/quaxel2-jack-server-" + std::to_string(slot) + ".lock";
            const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0) continue;
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
                lock_ = fd;
                name_ = "quaxel2-test-" + std::to_string(slot);
                return;
            }
            close(fd);
        }
        if (Clock::now() > deadline) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

ServerName::~ServerName() {
    if (lock_ >= 0) close(lock_);  // the lock goes with the descriptor
}

JackServer::JackServer(int rate, int period) : name_(claimed_.text()) {
    if (name_.empty()) return;  // up() stays false
    server_ = new Process({"jackd", "--no-realtime", "-n", name_, "-d", "dummy", "-r", std::to_string(rate), "-p",
                           std::to_string(period)},
                          environment());
    up_ = run({"jack_wait", "-w", "-t", "10"}, 15) == 0;
}

JackServer::~JackServer() { stop(); }

void JackServer::stop() {
    if (!server_) return;
    server_->signal(SIGTERM);
    if (!server_->wait(5)) server_->signal(SIGKILL);
    delete server_;
    server_ = nullptr;
}

std::vector<std::string> JackServer::environment() const {
    return {"JACK_DEFAULT_SERVER=" + name_, "JACK_NO_START_SERVER=1", "JACK_NO_AUDIO_RESERVATION=1"};
}

int JackServer::run(const std::vector<std::string>& argv, double seconds) const {
    Process client(argv, environment());
    if (!client.wait(seconds)) return -1;
    return client.exited() ? client.exitCode() : -1;
}

std::string uniqueName(const std::string& stem) {
    static int count = 0;
    return stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool waitForText(const std::string& path, const std::string& text, double seconds) {
    const auto deadline = after(seconds);
    while (readFile(path).find(text) == std::string::npos) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace standalone_test
