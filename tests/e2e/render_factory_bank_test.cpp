// The factory bank in quaxel2.so as a host gets it: exported as data, and
// loaded into a fresh plug-in, whose program 0 plays, sounding and in tune.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "render_harness.h"
#include "tests/support/pitch_estimate.h"

using namespace render_test;

namespace {

constexpr int32_t kBankBytes = 55188;
constexpr double kMiddleCHz = 261.6255653;

TEST(FactoryBankInPlugin, IsExportedAsBankAndBankSize) {
    void* library = dlopen(QUAXEL2_SO, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto* size = static_cast<const int32_t*>(dlsym(library, "bank_size"));
    const auto* bytes = static_cast<const unsigned char*>(dlsym(library, "bank"));
    ASSERT_NE(size, nullptr);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(*size, kBankBytes);
    // The first program record, version 2, is big-endian.
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 4), (std::vector<unsigned char>{0, 0, 0, 2}));
    dlclose(library);
}

TEST(FactoryBankInPlugin, AFreshPluginPlaysProgramZeroAudiblyAndInTune) {
    ScratchDir dir;
    const RunResult result =
        runRender({QUAXEL2_SO, "--notes", "60:0:1.5:100", "--seconds", "2", "-o", dir.path("c4.wav")});
    ASSERT_TRUE(result.exited) << result.err;
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Wav wav = readWav(dir.path("c4.wav"));
    ASSERT_TRUE(wav.ok);
    ASSERT_EQ(wav.channels, 2);

    std::vector<double> mono(static_cast<std::size_t>(wav.frames));
    double peak = 0.0;
    for (long long i = 0; i < wav.frames; i++) {
        mono[i] = 0.5 * (wav.at(i, 0) + wav.at(i, 1));
        peak = std::max({peak, std::fabs(double(wav.at(i, 0))), std::fabs(double(wav.at(i, 1)))});
    }
    EXPECT_GT(peak, 0.1);
    EXPECT_LE(peak, 1.0);

    // Past the attack, while the key is still held.
    const auto start = static_cast<std::size_t>(0.4 * wav.sampleRate);
    const double hz = pitch::estimateHz(mono, wav.sampleRate, start);
    EXPECT_LT(std::fabs(pitch::centsFromOctaves(hz, kMiddleCHz)), 10.0) << hz << " Hz";
}

}  // namespace
