// quaxel2-soundcheck measuring two factory programs through the built
// quaxel2.so: a table row for each, the summary after them, the same rows as CSV.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "render_harness.h"

using namespace render_test;

namespace {

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> found;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
        start = end + 1;
    }
    return found;
}

TEST(Soundcheck, MeasuresTwoFactoryProgramsIntoRowsAndASummary) {
    ScratchDir dir;
    const RunResult result =
        runTool("quaxel2-soundcheck", {"--plugin", QUAXEL2_SO, "--programs", "8-9", "--csv", dir.path("figures.csv")});
    ASSERT_TRUE(result.exited) << result.err;
    ASSERT_EQ(result.exitCode, 0) << result.err;

    EXPECT_EQ(linesStartingWith(result.out, "| # | name | peak400 dBFS |").size(), 1u) << result.out;
    for (int program : {8, 9}) {
        const std::vector<std::string> rows = linesStartingWith(result.out, "| " + std::to_string(program) + " | ");
        ASSERT_EQ(rows.size(), 1u) << result.out;
        const std::string& row = rows[0];
        // Eleven bars around ten columns; a factory program sounds, so its peak is a level.
        EXPECT_EQ(std::count(row.begin(), row.end(), '|'), 11) << row;
        const size_t peak = row.find(" | ", row.find(" | ") + 3) + 3;
        EXPECT_EQ(row[peak], '-') << row;
        EXPECT_NE(row.compare(peak, 4, "-inf"), 0) << row;
    }
    EXPECT_EQ(linesStartingWith(result.out, "Programs measured: 2").size(), 1u) << result.out;
    EXPECT_EQ(linesStartingWith(result.out, "Median peak400: ").size(), 1u) << result.out;
    EXPECT_EQ(linesStartingWith(result.out, "Median offgrid C6 over the held programs: ").size(), 1u) << result.out;

    const std::vector<std::string> csv = readLines(dir.path("figures.csv"));
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[1].rfind("8,", 0), 0u) << csv[1];
    EXPECT_EQ(csv[2].rfind("9,", 0), 0u) << csv[2];
}

TEST(Soundcheck, RefusesProgramsThePluginDoesNotHave) {
    const RunResult result = runTool("quaxel2-soundcheck", {"--plugin", QUAXEL2_SO, "--programs", "127-128"});
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("has programs 0 to 127"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

}  // namespace
