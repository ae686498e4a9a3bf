// The table row, the CSV line and the summary over a few programs' figures.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tools/soundcheck/report.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ProgramFigures figures(int program, double peak, std::optional<double> fall, double offgridC6) {
    ProgramFigures f;
    f.program = program;
    f.name = "P" + std::to_string(program);
    f.held = {peak, fall, !fall && std::isfinite(peak), {-99.0, 1.0}};
    f.offgridDb = {-30.0, -20.0, offgridC6};
    return f;
}

TEST(SoundcheckReport, RowsShowEveryFigureAndEscapeNames) {
    ProgramFigures f = figures(7, -18.44, 1.2345, -12.35);
    f.name = "Bass | Lead, \"wide\"";
    f.held.width = {-6.25, kNaN};
    f.offgridDb[0] = -kInf;
    EXPECT_EQ(tableRow(f), "| 7 | Bass \\| Lead, \"wide\" | -18.4 | 1.234 | no | -6.2 | n/a | -inf | -20.0 | -12.3 |\n");
    EXPECT_EQ(csvRow(f), "7,\"Bass | Lead, \"\"wide\"\"\",-18.4,1.234,no,-6.2,n/a,-inf,-20.0,-12.3\n");
    EXPECT_EQ(tableRow(figures(0, -20, std::nullopt, -40)).rfind("| 0 | P0 | -20.0 | held | yes | ", 0), 0u);
    EXPECT_EQ(tableRow(figures(1, -kInf, std::nullopt, kNaN)).rfind("| 1 | P1 | -inf | silent | no | ", 0), 0u);
}

TEST(SoundcheckReport, SummaryCountsHeldProgramsAndTakesMedians) {
    const std::vector<ProgramFigures> all = {
        figures(0, -20.0, std::nullopt, -40.0),
        figures(1, -18.0, 0.5, -10.0),
        figures(2, -30.0, std::nullopt, -20.0),
        figures(3, -23.0, std::nullopt, kNaN),  // silent at C6: no reading
        figures(4, -17.5, 1.0, -5.0),
        figures(5, -kInf, std::nullopt, kNaN),  // silent: never falls, yet is not held
    };
    const Summary s = summarise(all);
    EXPECT_EQ(s.programs, 6);
    EXPECT_EQ(s.held, 3);
    EXPECT_EQ(s.sustainedAt3s, 3);
    EXPECT_DOUBLE_EQ(s.medianPeak400Db, -21.5);  // of -23 and -20
    EXPECT_EQ(s.nearMedianPeak, 4);  // all but -30 and the silent one
    ASSERT_TRUE(s.medianOffgridTopHeldDb.has_value());
    EXPECT_DOUBLE_EQ(*s.medianOffgridTopHeldDb, -30.0);  // of -40 and -20

    EXPECT_FALSE(summarise({figures(0, -20.0, 0.5, -40.0)}).medianOffgridTopHeldDb.has_value());
}

}  // namespace
