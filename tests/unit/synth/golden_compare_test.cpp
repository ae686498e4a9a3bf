// The report of a golden render that differs, on small hand-made renders
// with spans of 4 frames, and the golden file it reads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "golden_compare.h"

namespace {

constexpr int kSpan = 4;

StereoRender ramps(int frames) {
    StereoRender render;
    for (int i = 0; i < frames; i++) {
        render.left.push_back(i / 16.0f);
        render.right.push_back(-i / 16.0f);
    }
    return render;
}

bool has(const std::string& report, const std::string& part) { return report.find(part) != std::string::npos; }

TEST(GoldenCompare, SaysWhereARenderDiffers) {
    const StereoRender recorded = ramps(10);
    StereoRender now = recorded;
    now.right[5] += 0.25f;  // the first difference
    now.left[8] -= 0.5f;    // the largest
    const GoldenFingerprint fingerprints = fingerprint(recorded, kSpan);
    ASSERT_EQ(fingerprints.spans.size(), 3u);  // 4 + 4 + 2 frames

    EXPECT_EQ(describeDifference(recorded, fingerprints, &recorded, kSpan), "");
    EXPECT_EQ(describeDifference(recorded, fingerprints, nullptr, kSpan), "");

    const std::string exact = describeDifference(now, fingerprints, &recorded, kSpan);
    EXPECT_TRUE(has(exact, "first difference: frame 5, right channel: -0.0625 instead of -0.3125")) << exact;
    EXPECT_TRUE(has(exact, "largest difference: 0.5 at frame 8, left channel")) << exact;
    EXPECT_TRUE(has(exact, "frames that differ: 2 of 10")) << exact;

    const std::string bySpans = describeDifference(now, fingerprints, nullptr, kSpan);
    EXPECT_EQ(bySpans, "  first difference within frames 4-7 (2 of 3 spans of 4 frames differ)\n");
}

TEST(GoldenCompare, SaysWhenLengthsDifferAndWeighsSignedZerosAndNaNs) {
    const StereoRender recorded = ramps(10);
    StereoRender shorter = recorded;
    shorter.left.resize(9);
    shorter.right.resize(9);
    const GoldenFingerprint fingerprints = fingerprint(recorded, kSpan);
    EXPECT_TRUE(has(describeDifference(shorter, fingerprints, &recorded, kSpan), "length: 9 frames instead of 10"));
    const std::string bySpans = describeDifference(shorter, fingerprints, nullptr, kSpan);
    EXPECT_TRUE(has(bySpans, "first difference within frames 8-8")) << bySpans;

    // +0 and -0 differ in their bits, not in value; a NaN is infinitely far.
    StereoRender signs = recorded, nan = recorded;
    signs.left[0] = -0.0f;
    nan.right[3] = std::nanf("");
    EXPECT_TRUE(has(describeDifference(signs, fingerprints, &recorded, kSpan), "largest difference: 0 at frame 0"));
    EXPECT_TRUE(has(describeDifference(nan, fingerprints, &recorded, kSpan), "largest difference: inf at frame 3"));
}

TEST(GoldenCompare, GoldenFileReadsBackAsWritten) {
    const GoldenLines lines = {
        {{"program 7", 64}, fingerprint(ramps(2500))},
        {{"looped stereo, no interpolation", 1}, fingerprint(ramps(1))},
        {{"empty", 4096}, fingerprint(ramps(0))},
    };
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("golden_compare_test_" + std::to_string(::getpid()) + ".txt");
    writeGoldenFile(path, lines);
    const GoldenLines read = readGoldenFile(path);
    std::filesystem::remove(path);
    ASSERT_EQ(read.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); i++) {
        EXPECT_EQ(read[i].first, lines[i].first);
        EXPECT_EQ(read[i].second.hash, lines[i].second.hash);
        EXPECT_EQ(read[i].second.spans, lines[i].second.spans);
    }
    EXPECT_EQ(read[0].second.spans.size(), 3u);
}

}  // namespace
