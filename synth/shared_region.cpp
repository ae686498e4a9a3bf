#include "synth/shared_region.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

bool SharedRegion::create(const std::string& name, std::size_t size) {
    shm_unlink(name.c_str());
    int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return false;
    struct stat identity {};
    void* mapped = MAP_FAILED;
    if (ftruncate(fd, static_cast<off_t>(size)) == 0 && fstat(fd, &identity) == 0)
        mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) {
        shm_unlink(name.c_str());
        return false;
    }
    objectName = name;
    address = mapped;
    length = size;
    device = identity.st_dev;
    inode = identity.st_ino;
    std::memset(address, 0, size);
    return true;
}

SharedRegion::~SharedRegion() {
    if (!address) return;
    munmap(address, length);
    int fd = shm_open(objectName.c_str(), O_RDONLY, 0);
    if (fd < 0) return;
    struct stat current {};
    bool stillOurs = fstat(fd, &current) == 0 && current.st_dev == device && current.st_ino == inode;
    close(fd);
    if (stillOurs) shm_unlink(objectName.c_str());
}
