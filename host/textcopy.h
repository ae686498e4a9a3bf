// Bounded copies into text buffers that belong to the host.
#pragma once

#include <cstring>

// Copies at most maxLen characters of src and always writes a terminating
// zero, at most at dst[maxLen]: dst must hold maxLen + 1 bytes.
inline void copyText(char* dst, const char* src, int maxLen) {
    if (!dst || maxLen < 0) return;
    std::size_t n = src ? strnlen(src, static_cast<std::size_t>(maxLen)) : 0;
    std::memcpy(dst, src ? src : "", n);
    dst[n] = 0;
}

// Appends src to the zero-terminated text in dst, keeping the whole at most
// maxLen characters.
inline void appendText(char* dst, const char* src, int maxLen) {
    if (!dst || maxLen < 0) return;
    std::size_t used = strnlen(dst, static_cast<std::size_t>(maxLen));
    copyText(dst + used, src, maxLen - static_cast<int>(used));
}
