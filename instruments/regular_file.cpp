#include "instruments/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

RegularFile::RegularFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int opened = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (opened < 0) return;
    if (afterOpen) afterOpen(path);
    struct stat info {};
    if (fstat(opened, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(opened);
        return;
    }
    descriptor = opened;
    bytes = info.st_size;
}

RegularFile::~RegularFile() {
    if (descriptor >= 0) close(descriptor);
}

int RegularFile::duplicate() const { return isOpen() ? fcntl(descriptor, F_DUPFD_CLOEXEC, 0) : -1; }

std::size_t RegularFile::readAt(void* out, std::size_t count, int64_t offset) const {
    auto* to = static_cast<unsigned char*>(out);
    std::size_t done = 0;
    while (isOpen() && done < count) {
        const ssize_t got = pread(descriptor, to + done, count - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}
