#include "standalone/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string errnoText() { return std::strerror(errno); }

}  // namespace

std::string lastStatePath() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    std::string base;
    // Relative values are invalid by the base-directory rules and ignored.
    if (stateHome && stateHome[0] == '/') {
        base = stateHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && home[0] ? home : ".") + "/.local/state";
    }
    return base + "/quaxel2/last.state";
}

bool readStateFile(const std::string& path, std::vector<char>& bytes, std::string& why) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        why = "cannot read '" + path + "': " + errnoText();
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        why = "cannot read '" + path + "'";
        return false;
    }
    if (bytes.empty()) {
        why = "'" + path + "' is empty";
        return false;
    }
    return true;
}

bool writeStateFile(const std::string& path, const std::vector<char>& bytes, std::string& why) {
    const std::filesystem::path target(path);
    std::error_code error;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
        why = "cannot make '" + target.parent_path().string() + "': " + error.message();
        return false;
    }
    const std::string temporary = path + ".saving-" + std::to_string(getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = "cannot write '" + temporary + "': " + errnoText();
        return false;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool complete = written == bytes.size() && ::fsync(fd) == 0;
    const std::string failure = errnoText();
    ::close(fd);
    if (!complete || ::rename(temporary.c_str(), path.c_str()) != 0) {
        why = "cannot write '" + path + "': " + (complete ? errnoText() : failure);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
