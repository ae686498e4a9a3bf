// Writing a state chunk by hand, as a host's stored file holds it: 32-bit
// integers and floats in the machine's order, texts after their length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chunk_bytes {

using Bytes = std::vector<unsigned char>;

inline void appendInt(Bytes& out, int32_t v) {
    const auto* b = reinterpret_cast<const unsigned char*>(&v);
    out.insert(out.end(), b, b + 4);
}

inline void appendFloat(Bytes& out, float v) {
    const auto* b = reinterpret_cast<const unsigned char*>(&v);
    out.insert(out.end(), b, b + 4);
}

inline void appendText(Bytes& out, const std::string& text) {
    appendInt(out, static_cast<int32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace chunk_bytes
