// Lines on standard output, whole even when the plug-in calls back from its
// own threads while the main loop prints.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <mutex>

inline std::mutex& outputLock() {
    static std::mutex lock;
    return lock;
}

[[gnu::format(printf, 1, 2)]] inline void printLine(const char* format, ...) {
    std::lock_guard<std::mutex> guard(outputLock());
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stdout, format, arguments);
    va_end(arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
