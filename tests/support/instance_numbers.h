// The instance numbers of the plug-in objects alive in this process, read
// from the instrument regions it maps (/dev/shm/instrument.mmapN). Another
// host or test on the machine may hold any number, so tests find the number
// their object took instead of assuming one.
#pragma once

#include <fstream>
#include <set>
#include <string>

inline std::set<int> mappedInstanceNumbers() {
    static const std::string kRegion = "/dev/shm/instrument.mmap";
    std::set<int> numbers;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        const auto at = line.find(kRegion);
        if (at == std::string::npos) continue;
        const std::string suffix = line.substr(at + kRegion.size());
        if (!suffix.empty() && suffix.find_first_not_of("0123456789") == std::string::npos)
            numbers.insert(std::stoi(suffix));
    }
    return numbers;
}

// The number of the object that `make` creates: the one region it maps
// that was not mapped before; -1 when there is not exactly one.
template <class Make>
int numberTakenBy(Make&& make) {
    const std::set<int> before = mappedInstanceNumbers();
    make();
    int taken = -1;
    for (int number : mappedInstanceNumbers()) {
        if (before.count(number)) continue;
        if (taken >= 0) return -1;
        taken = number;
    }
    return taken;
}
