#include "editor/editor_launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

extern char** environ;

namespace {

bool writeAll(int fd, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

void sleepMilliseconds(long ms) {
    timespec pause{ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&pause, nullptr);
}

}  // namespace

EditorLauncher::~EditorLauncher() {
    finish(1000);
    if (executable >= 0) close(executable);
}

bool EditorLauncher::writeExecutable(const std::string& path, const unsigned char* image, std::size_t size) {
    // A new file of our own (O_EXCL: no link is followed), renamed into
    // place. In /tmp, whose sticky bit lets only a file's owner replace it,
    // the rename fails if another user owns the name.
    std::string temporary = path + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    struct stat written {};
    const bool ok = writeAll(fd, image, size) && fchmod(fd, 0700) == 0 && fstat(fd, &written) == 0;
    close(fd);
    if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    // Reopened for starting: still the file just written, and ours alone.
    const int reopened = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened {};
    if (reopened < 0 || fstat(reopened, &opened) != 0 || !sameFile(opened, written) || opened.st_uid != getuid() ||
        (opened.st_mode & 022) != 0) {
        if (reopened >= 0) close(reopened);
        return false;
    }
    if (executable >= 0) close(executable);
    executable = reopened;
    return true;
}

bool EditorLauncher::start(const std::string& window, const std::string& instance) {
    if (executable < 0) return false;
    // The child executes the open file as its descriptor 3, and closes every
    // other descriptor above standard error.
    constexpr int kExecutableFd = 3;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, executable, kExecutableFd);
    posix_spawn_file_actions_addclosefrom_np(&actions, kExecutableFd + 1);
    // Signals the host blocks or handles do not reach into the program.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string name = "UIQuaxel2VST", windowArgument = window, instanceArgument = instance;
    char* const argv[] = {name.data(), windowArgument.data(), instanceArgument.data(), nullptr};
    pid_t started = -1;
    const int result = posix_spawn(&started, "/proc/self/fd/3", &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) return false;
    child = started;
    return true;
}

bool EditorLauncher::running() {
    if (child <= 0) return false;
    int status = 0;
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == 0) return true;
    // Ended and now reaped, or already reaped by a host that ignores SIGCHLD.
    child = -1;
    return false;
}

void EditorLauncher::finish(int milliseconds) {
    for (int waited = 0; running() && waited < milliseconds; waited += 10) sleepMilliseconds(10);
    if (!running()) return;
    kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    child = -1;
}
