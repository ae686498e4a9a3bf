#include "editor/instance_claim.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

#include "editor/bridge_names.h"

namespace {

// The next number this process tries; never handed out twice in a process.
std::atomic<int> nextNumber{0};

// Numbers are tried this many times before the last one is taken anyway.
constexpr int kTries = 4096;

// A socket bound to "\0quaxel2-<uid>-<number>", or -1 when another holds it.
int bindToken(int number) {
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = "quaxel2-" + std::to_string(getuid()) + "-" + std::to_string(number);
    std::memcpy(address.sun_path + 1, name.data(), name.size());  // abstract: leading zero byte
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool fifoUsable(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
    return S_ISFIFO(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

bool executableUsable(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
    return info.st_uid == getuid();  // ours: it is replaced, never written through
}

}  // namespace

bool InstanceClaim::tmpObjectsUsable(int number) {
    return fifoUsable(bridge::uiFifoPath(number)) && fifoUsable(bridge::pluginFifoPath(number)) &&
           executableUsable(bridge::uiExecutablePath(number));
}

InstanceClaim::InstanceClaim() {
    for (int attempt = 0; attempt < kTries; attempt++) {
        held = nextNumber.fetch_add(1);
        token = bindToken(held);
        if (token < 0) continue;
        if (tmpObjectsUsable(held)) return;
        close(token);
        token = -1;
    }
    // Every number tried is held or spoiled: go on with the last, unguarded.
}

InstanceClaim::~InstanceClaim() {
    if (token >= 0) close(token);
}
