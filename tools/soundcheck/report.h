// The figures of each program as a markdown table row and as CSV, and the
// summary over all of them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "tools/soundcheck/level.h"

inline constexpr std::array<int, 3> kAliasingNotes = {60, 72, 84};

struct ProgramFigures {
    int program = 0;
    std::string name;
    HeldNoteFigures held{};
    std::array<double, kAliasingNotes.size()> offgridDb{};
};

std::string tableHeader();
std::string tableRow(const ProgramFigures& figures);
std::string csvHeader();
std::string csvRow(const ProgramFigures& figures);

struct Summary {
    int programs = 0;
    int held = 0;                // sounded and never fell 20 dB while the key was down
    int sustainedAt3s = 0;       // at3s yes
    double medianPeak400Db = 0.0;
    int nearMedianPeak = 0;      // peak400 within kNearMedianDb of the median
    std::optional<double> medianOffgridTopHeldDb;  // at the highest note, over the held programs
};
inline constexpr double kNearMedianDb = 4.0;

Summary summarise(const std::vector<ProgramFigures>& all);
std::string summaryText(const Summary& summary);
