#include "standalone/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string errnoText() { return std::strerror(errno); }

}  // namespace

namespace {

constexpr char kFirstWords[] = "quaxel2-state 1 program ";

}  // namespace

std::vector<char> encodeState(const StandaloneState& state) {
    const std::string line = kFirstWords + std::to_string(state.program) + "\n";
    std::vector<char> bytes(line.begin(), line.end());
    bytes.insert(bytes.end(), state.chunk.begin(), state.chunk.end());
    return bytes;
}

StandaloneState decodeState(const std::vector<char>& bytes) {
    const std::size_t prefix = sizeof kFirstWords - 1;
    const auto end = std::find(bytes.begin(), bytes.end(), '\n');
    const std::string line(bytes.begin(), end);
    if (end == bytes.end() || line.compare(0, prefix, kFirstWords) != 0) return {bytes, -1};
    char* last = nullptr;
    const long program = std::strtol(line.c_str() + prefix, &last, 10);
    const bool number = last != line.c_str() + prefix && *last == '\0' && program >= -1 && program < 1 << 30;
    return {std::vector<char>(end + 1, bytes.end()), number ? static_cast<int>(program) : -1};
}

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
