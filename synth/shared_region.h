// A named POSIX shared-memory block that the editor program maps by name.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

class SharedRegion {
public:
    SharedRegion() = default;
    SharedRegion(const SharedRegion&) = delete;
    SharedRegion& operator=(const SharedRegion&) = delete;
    // Unmaps the block and removes the name, unless the name has meanwhile
    // been taken by another process's object.
    ~SharedRegion();

    // Creates a fresh zeroed object of `size` bytes under `name` (mode 0600)
    // and maps it. A stale object of that name, left by a crashed process or
    // made by another one, is unlinked first rather than reused: this object
    // is ours alone, and whoever still maps the old one keeps it untouched.
    bool create(const std::string& name, std::size_t size);

    void* data() const { return address; }

private:
    std::string objectName;
    void* address = nullptr;
    std::size_t length = 0;
    dev_t device = 0;
    ino_t inode = 0;
};
