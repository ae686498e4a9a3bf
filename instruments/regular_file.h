// A sample file opened once by name and from then on read only through its
// descriptor, so that what was checked is what is read: a path swapped for
// a FIFO or a device after the check cannot block the loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class RegularFile {
public:
    // Opens `path` without blocking; the file stays closed unless the opened
    // descriptor is a regular file.
    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return descriptor >= 0; }
    // A second descriptor of the same open file (sharing its offset) for a
    // library that closes what it is given; -1 if none could be made.
    int duplicate() const;
    // The size when opened.
    int64_t size() const { return bytes; }
    // Reads up to `count` bytes from `offset` without moving the descriptor's
    // own offset; answers how many came (fewer at the end or on an error).
    std::size_t readAt(void* out, std::size_t count, int64_t offset) const;

    // Test seam: when set, called with the path right after each open and
    // before anything is checked or read.
    static inline void (*afterOpen)(const std::string& path) = nullptr;

private:
    int descriptor = -1;
    int64_t bytes = 0;
};
