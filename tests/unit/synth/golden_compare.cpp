#include "golden_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <limits>
#include <sstream>

#include "tests/support/fnv1a.h"

namespace fs = std::filesystem;

namespace {

// The whole-render fingerprint: FNV-1a 64 over the left channel's bytes,
// then the right's.
std::uint64_t renderHash(const StereoRender& render) {
    const std::uint64_t hash = fnv1a64(render.left.data(), render.left.size() * sizeof(float));
    return fnv1a64(render.right.data(), render.right.size() * sizeof(float), hash);
}

const char* const kChannelNames[] = {"left", "right"};

std::string spanBounds(int span, int spanFrames, int frames) {
    const int first = span * spanFrames;
    return "frames " + std::to_string(first) + "-" + std::to_string(std::min(first + spanFrames, frames) - 1);
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// How far apart two samples are; a NaN against a number is infinitely far.
double distance(float a, float b) {
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) ? 0 : std::numeric_limits<double>::infinity();
    return std::fabs(static_cast<double>(a) - b);
}

// Frame by frame against the recorded render itself.
void describeExactly(std::ostream& out, const StereoRender& now, const StereoRender& kept) {
    if (now.frames() != kept.frames())
        out << "  length: " << now.frames() << " frames instead of " << kept.frames() << "\n";
    const int frames = std::min(now.frames(), kept.frames());
    int firstFrame = -1, firstChannel = 0, largestFrame = -1, largestChannel = 0, differing = 0;
    double largest = -1;
    for (int i = 0; i < frames; i++) {
        bool differs = false;
        for (int c = 0; c < 2; c++) {
            const float a = (c ? now.right : now.left)[i], b = (c ? kept.right : kept.left)[i];
            if (sameBits(a, b)) continue;
            differs = true;
            if (firstFrame < 0) {
                firstFrame = i;
                firstChannel = c;
            }
            if (const double d = distance(a, b); d > largest) {
                largest = d;
                largestFrame = i;
                largestChannel = c;
            }
        }
        differing += differs;
    }
    if (firstFrame < 0) return;
    const auto& nowChannel = firstChannel ? now.right : now.left;
    const auto& keptChannel = firstChannel ? kept.right : kept.left;
    out << std::setprecision(std::numeric_limits<float>::max_digits10);
    out << "  first difference: frame " << firstFrame << ", " << kChannelNames[firstChannel] << " channel: "
        << nowChannel[firstFrame] << " instead of " << keptChannel[firstFrame] << "\n";
    out << "  largest difference: " << largest << " at frame " << largestFrame << ", "
        << kChannelNames[largestChannel] << " channel\n";
    out << "  frames that differ: " << differing << " of " << frames << "\n";
}

// Span by span against the recorded span hashes.
void describeBySpans(std::ostream& out, const StereoRender& now, const GoldenFingerprint& recorded, int spanFrames) {
    const std::vector<std::uint32_t> spans = fingerprint(now, spanFrames).spans;
    if (recorded.spans.empty()) {
        out << "  no span hashes recorded: record the renders again to place differences\n";
        return;
    }
    if (spans.size() != recorded.spans.size())
        out << "  length: " << spans.size() << " spans of " << spanFrames << " frames instead of "
            << recorded.spans.size() << "\n";
    const std::size_t common = std::min(spans.size(), recorded.spans.size());
    int first = -1, differing = 0;
    for (std::size_t i = 0; i < common; i++) {
        if (spans[i] == recorded.spans[i]) continue;
        if (first < 0) first = static_cast<int>(i);
        differing++;
    }
    if (first >= 0)
        out << "  first difference within " << spanBounds(first, spanFrames, now.frames()) << " (" << differing
            << " of " << common << " spans of " << spanFrames << " frames differ)\n";
    else if (spans.size() == recorded.spans.size())
        out << "  every span hash agrees, the whole-render hash does not\n";
}

std::string trimmed(const std::string& s) {
    const auto begin = s.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return s.substr(begin, s.find_last_not_of(' ') - begin + 1);
}

std::vector<float> interleaved(const StereoRender& render) {
    std::vector<float> out;
    out.reserve(2 * render.left.size());
    for (int i = 0; i < render.frames(); i++) {
        out.push_back(render.left[i]);
        out.push_back(render.right[i]);
    }
    return out;
}

bool readKept(const fs::path& path, StereoRender& render) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() % (2 * sizeof(float)) != 0) return false;
    std::vector<float> frames(bytes.size() / sizeof(float));
    std::memcpy(frames.data(), bytes.data(), bytes.size());
    render.left.clear();
    render.right.clear();
    for (std::size_t i = 0; i < frames.size(); i += 2) {
        render.left.push_back(frames[i]);
        render.right.push_back(frames[i + 1]);
    }
    return true;
}

// Writes only what is missing or different, through a new file put in place
// at once, so that a reader never sees half a render.
void keep(const fs::path& path, const StereoRender& render) {
    const std::vector<float> frames = interleaved(render);
    const std::size_t size = frames.size() * sizeof(float);
    std::error_code error;
    if (fs::file_size(path, error) == size) {
        std::ifstream file(path, std::ios::binary);
        std::vector<char> bytes(size);
        const bool same = file.read(bytes.data(), static_cast<std::streamsize>(size)) &&
                          std::memcmp(bytes.data(), frames.data(), size) == 0;
        if (same) return;
    }
    fs::create_directories(path.parent_path(), error);
    const fs::path partial = path.string() + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(frames.data()), static_cast<std::streamsize>(size));
        if (!file.flush()) return;  // a build tree we cannot write to keeps nothing
    }
    fs::rename(partial, path, error);
}

}  // namespace

GoldenFingerprint fingerprint(const StereoRender& render, int spanFrames) {
    GoldenFingerprint result{renderHash(render), {}};
    for (int first = 0; first < render.frames(); first += spanFrames) {
        const std::size_t frames = static_cast<std::size_t>(std::min(spanFrames, render.frames() - first));
        const std::uint32_t hash = fnv1a32(render.left.data() + first, frames * sizeof(float));
        result.spans.push_back(fnv1a32(render.right.data() + first, frames * sizeof(float), hash));
    }
    return result;
}

std::string describeDifference(const StereoRender& now, const GoldenFingerprint& recorded, const StereoRender* kept,
                               int spanFrames) {
    if (renderHash(now) == recorded.hash) return {};
    std::ostringstream out;
    if (kept)
        describeExactly(out, now, *kept);
    else
        describeBySpans(out, now, recorded, spanFrames);
    return out.str();
}

GoldenLines readGoldenFile(const fs::path& path) {
    GoldenLines lines;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '|');) fields.push_back(trimmed(field));
        if (line.back() == '|') fields.emplace_back();  // a render too short for a span
        if (fields.size() != 4) continue;
        GoldenKey key{fields[0], std::atoi(fields[1].c_str())};
        GoldenFingerprint fingerprint;
        if (!(std::istringstream(fields[2]) >> std::hex >> fingerprint.hash)) continue;
        std::istringstream spans(fields[3]);
        for (std::uint32_t span; spans >> std::hex >> span;) fingerprint.spans.push_back(span);
        lines.emplace_back(std::move(key), std::move(fingerprint));
    }
    return lines;
}

void writeGoldenFile(const fs::path& path, const GoldenLines& lines) {
    std::ofstream file(path);
    file << "# name | block size | FNV-1a 64 of the whole render | FNV-1a 32 of each span of " << kGoldenSpanFrames
         << " frames\n";
    for (const auto& [key, fingerprint] : lines) {
        file << key.name << " | " << key.block << " | " << std::hex << fingerprint.hash << " |" << std::setfill('0');
        for (std::uint32_t span : fingerprint.spans) file << " " << std::setw(8) << span;
        file << std::dec << std::setfill(' ') << "\n";
    }
}

GoldenRenders::GoldenRenders(const std::string& stem, const char* recordVariable)
    : goldenPath(fs::path(QUAXEL2_SOURCE_DIR) / "tests" / "golden" / (stem + ".txt")),
      keptDir(fs::read_symlink("/proc/self/exe").parent_path() / "golden-renders" / stem) {
    if (const char* out = std::getenv(recordVariable)) recordPath = out;
    goldenFound = fs::exists(goldenPath);
    for (auto& [key, fingerprint] : readGoldenFile(goldenPath)) recorded[key] = std::move(fingerprint);
}

fs::path GoldenRenders::keptPath(const GoldenKey& key) const {
    std::string name;
    for (char c : key.name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
        else if (!name.empty() && name.back() != '-')
            name += '-';
    }
    return keptDir / (name + "-" + std::to_string(key.block) + ".f32");
}

void GoldenRenders::check(const GoldenKey& key, const StereoRender& render, const std::string& title) {
    seen[key] = true;
    if (recording()) {
        rendered.emplace_back(key, fingerprint(render));
        return;
    }
    const std::string what = (title.empty() ? key.name : title) + ", block size " + std::to_string(key.block);
    const auto it = recorded.find(key);
    if (it == recorded.end()) {
        differences.emplace_back(what, "  not recorded\n");
        return;
    }
    if (renderHash(render) == it->second.hash) {
        keep(keptPath(key), render);
        return;
    }
    // The kept render is read only for a render that differs.
    StereoRender kept;
    const bool haveKept = readKept(keptPath(key), kept) && renderHash(kept) == it->second.hash;
    differences.emplace_back(what, describeDifference(render, it->second, haveKept ? &kept : nullptr));
    placedBySpans |= !haveKept;
}

void GoldenRenders::skip(const GoldenKey& key) { seen[key] = true; }

void GoldenRenders::finish() {
    if (recording()) {
        writeGoldenFile(recordPath, rendered);
        return;
    }
    if (!goldenFound) {
        ADD_FAILURE() << "no recorded renders in " << goldenPath.string();
        return;
    }
    for (const auto& [key, fingerprint] : recorded)
        if (!seen.count(key)) differences.emplace_back(key.name + ", block size " + std::to_string(key.block),
                                                       "  recorded, but no longer rendered\n");
    if (differences.empty()) return;
    constexpr std::size_t kDetailed = 10, kNamed = 40;
    std::ostringstream out;
    out << differences.size() << " of " << recorded.size() << " renders differ from "
        << goldenPath.filename().string() << "\n";
    for (std::size_t i = 0; i < differences.size() && i < kDetailed; i++)
        out << differences[i].first << ":\n" << differences[i].second;
    if (differences.size() > kDetailed) {
        out << "also differ:";
        for (std::size_t i = kDetailed; i < differences.size() && i < kDetailed + kNamed; i++)
            out << (i > kDetailed ? "; " : " ") << differences[i].first;
        if (differences.size() > kDetailed + kNamed)
            out << "; and " << differences.size() - kDetailed - kNamed << " more";
        out << "\n";
    }
    if (placedBySpans)
        out << "Exact frames and values come from a build tree where this suite passed before: it keeps the "
               "renders that match, in " << keptDir.string() << "\n";
    ADD_FAILURE() << out.str();
}
