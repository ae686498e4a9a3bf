// Integers as RIFF files store them: least significant byte first.
#pragma once

#include <cstdint>

// `bytes` (1 to 4) bytes at `at`; two bytes are taken as signed.
inline int32_t readLittleEndian(const unsigned char* at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; i--) value = (value << 8) | at[i];
    if (bytes == 2) return static_cast<int16_t>(value);
    return static_cast<int32_t>(value);
}
