// Renders compared with the fingerprints recorded in tests/golden, and where
// they differ. A golden file holds one line per render:
//
//   name | block size | FNV-1a 64 of the whole render | FNV-1a 32 of each span
//
// spans being 1024 frames (the last one shorter), each hashed over its left
// frames, then its right. The whole-render hash decides; the span hashes
// place a difference within 1024 frames on any checkout. Every render that
// matches is also kept, as raw native floats (left and right interleaved),
// in golden-renders/<golden file>/ beside the test program; once a render
// differs in that build tree, the report gives the exact first differing
// frame and channel and the largest difference.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct StereoRender {
    std::vector<float> left, right;

    int frames() const { return static_cast<int>(left.size()); }
};

constexpr int kGoldenSpanFrames = 1024;

struct GoldenFingerprint {
    std::uint64_t hash = 0;
    std::vector<std::uint32_t> spans;
};

GoldenFingerprint fingerprint(const StereoRender& render, int spanFrames = kGoldenSpanFrames);

// How `now` differs from the render whose fingerprint is `recorded`, one
// fact a line; empty when the whole-render hashes agree. With `kept` (the
// recorded render itself) it gives exact frames and values, else the
// bounds of the first span whose hash differs.
std::string describeDifference(const StereoRender& now, const GoldenFingerprint& recorded,
                               const StereoRender* kept, int spanFrames = kGoldenSpanFrames);

// A render's place in a golden file.
struct GoldenKey {
    std::string name;  // without a '|'
    int block = 0;

    auto operator<=>(const GoldenKey&) const = default;
};

using GoldenLines = std::vector<std::pair<GoldenKey, GoldenFingerprint>>;

// Lines in file order; comments (#) and malformed lines are left out.
GoldenLines readGoldenFile(const std::filesystem::path& path);
void writeGoldenFile(const std::filesystem::path& path, const GoldenLines& lines);

// One golden test's renders: each is checked against tests/golden/<stem>.txt
// as it comes, or, with the environment variable `recordVariable` set to a
// path, recorded there instead. finish() then writes the record or fails
// once, with a report of every render that differs.
class GoldenRenders {
public:
    GoldenRenders(const std::string& stem, const char* recordVariable);

    bool recording() const { return !recordPath.empty(); }
    std::string recordedIn() const { return recordPath.string(); }
    // `title` names the render in reports; empty: the key's name.
    void check(const GoldenKey& key, const StereoRender& render, const std::string& title = {});
    // Leaves a recorded render out of the comparison, as rendered but not compared.
    void skip(const GoldenKey& key);
    void finish();

private:
    std::filesystem::path keptPath(const GoldenKey& key) const;

    std::filesystem::path goldenPath, recordPath, keptDir;
    bool goldenFound = false;
    bool placedBySpans = false;  // some difference was found without a kept render
    std::map<GoldenKey, GoldenFingerprint> recorded;
    std::map<GoldenKey, bool> seen;
    GoldenLines rendered;  // when recording
    std::vector<std::pair<std::string, std::string>> differences;  // title, report
};
