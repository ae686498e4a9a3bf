// Feeds arbitrary bytes to the chunk reader as a host would: the first byte
// picks a bank or a program chunk, the rest is the chunk. Whatever comes,
// the plug-in must not crash, read outside the bytes, or keep a half-loaded
// state; and a refused chunk leaves the programs as they were.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "synth/quaxel2.h"

namespace {

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

Quaxel2& plugin() {
    static auto instance = std::make_unique<Quaxel2>(host);
    return *instance;
}

std::vector<unsigned char> saved(Quaxel2& p) {
    void* data = nullptr;
    const VstInt32 size = p.getChunk(&data, false);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return {bytes, bytes + size};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    Quaxel2& p = plugin();
    const bool isPreset = data[0] & 1;
    std::vector<unsigned char> chunk(data + 1, data + size);  // exactly the bytes the host owns
    const std::vector<unsigned char> before = saved(p);
    const VstInt32 result = p.setChunk(chunk.empty() ? nullptr : chunk.data(), static_cast<VstInt32>(chunk.size()), isPreset);
    if (result == 0 && saved(p) != before) __builtin_trap();  // refused, yet something changed
    return 0;
}
