// quaxel2-render hosting the real quaxel2.so.
#include <gtest/gtest.h>

#include <cmath>

#include "render_harness.h"

using namespace render_test;

TEST(RenderQuaxel2, RendersNotesIntoAWavOfTheRequestedLength) {
    ScratchDir dir;
    RunResult result = runRender({QUAXEL2_SO, "--notes", "60:0:0.5,64:0.25:0.5:90", "--rate", "48000",
                                  "--block", "256", "--seconds", "1", "-o", dir.path("out.wav")});
    ASSERT_TRUE(result.exited) << result.err;
    ASSERT_EQ(result.exitCode, 0) << result.err;

    Wav wav = readWav(dir.path("out.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.frames, 48000);
    for (float sample : wav.samples) ASSERT_TRUE(std::isfinite(sample));
}
