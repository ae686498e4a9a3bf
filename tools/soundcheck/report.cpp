#include "tools/soundcheck/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string number(double value, int decimals) {
    if (std::isnan(value)) return "n/a";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

bool sounds(const ProgramFigures& f) { return std::isfinite(f.held.peak400Db); }

// A silent take never falls, but it is not held either.
std::string fall(const ProgramFigures& f) {
    if (f.held.fall20) return number(*f.held.fall20, 3);
    return sounds(f) ? "held" : "silent";
}

std::vector<std::string> cells(const ProgramFigures& f) {
    std::vector<std::string> c = {std::to_string(f.program),
                                  f.name,
                                  number(f.held.peak400Db, 1),
                                  fall(f),
                                  f.held.at3s ? "yes" : "no",
                                  number(f.held.width.sideToMidDb, 1),
                                  number(f.held.width.correlation, 2)};
    for (double db : f.offgridDb) c.push_back(number(db, 1));
    return c;
}

std::vector<std::string> headings() {
    std::vector<std::string> h = {"#", "name", "peak400 dBFS", "fall20 s", "at3s", "width dB", "corr"};
    static const char* const kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    for (int note : kAliasingNotes) h.push_back(std::string("offgrid ") + kNames[note % 12] + std::to_string(note / 12 - 1) + " dB");
    return h;
}

std::string markdownLine(const std::vector<std::string>& cells) {
    std::string line = "|";
    for (const std::string& cell : cells) {
        std::string escaped;
        for (char ch : cell) {
            if (ch == '|') escaped += '\\';
            escaped += ch;
        }
        line += " " + escaped + " |";
    }
    return line + "\n";
}

std::string csvLine(const std::vector<std::string>& cells) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        const std::string& cell = cells[i];
        if (i > 0) line += ',';
        if (cell.find_first_of(",\"\n") == std::string::npos) {
            line += cell;
            continue;
        }
        line += '"';
        for (char ch : cell) line += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        line += '"';
    }
    return line + "\n";
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

}  // namespace

std::string tableHeader() {
    const std::vector<std::string> h = headings();
    std::string rule = "|";
    for (size_t i = 0; i < h.size(); ++i) rule += i == 1 ? " --- |" : " ---: |";
    return markdownLine(h) + rule + "\n";
}

std::string tableRow(const ProgramFigures& figures) { return markdownLine(cells(figures)); }
std::string csvHeader() { return csvLine(headings()); }
std::string csvRow(const ProgramFigures& figures) { return csvLine(cells(figures)); }

Summary summarise(const std::vector<ProgramFigures>& all) {
    Summary s;
    s.programs = static_cast<int>(all.size());
    if (all.empty()) return s;
    std::vector<double> peaks, topOffgrid;
    for (const ProgramFigures& f : all) {
        peaks.push_back(f.held.peak400Db);
        if (f.held.at3s) ++s.sustainedAt3s;
        if (f.held.fall20 || !sounds(f)) continue;
        ++s.held;
        // A silent take has no reading.
        if (!std::isnan(f.offgridDb.back())) topOffgrid.push_back(f.offgridDb.back());
    }
    s.medianPeak400Db = median(peaks);
    s.nearMedianPeak = static_cast<int>(std::count_if(peaks.begin(), peaks.end(), [&s](double peak) {
        return std::fabs(peak - s.medianPeak400Db) <= kNearMedianDb;
    }));
    if (!topOffgrid.empty()) s.medianOffgridTopHeldDb = median(topOffgrid);
    return s;
}

std::string summaryText(const Summary& s) {
    const std::string top = headings().back();
    std::string text;
    text += "Programs measured: " + std::to_string(s.programs) + "\n";
    text += "Held at 3 s (never 20 dB under their loudest while the key is down): " + std::to_string(s.held) + " of " +
            std::to_string(s.programs) + "\n";
    text += "Within 30 dB of their loudest at 2.9-3.0 s (at3s yes): " + std::to_string(s.sustainedAt3s) + " of " +
            std::to_string(s.programs) + "\n";
    text += "Median peak400: " + number(s.medianPeak400Db, 1) + " dBFS; within " + number(kNearMedianDb, 0) +
            " dB of it: " + std::to_string(s.nearMedianPeak) + " of " + std::to_string(s.programs) + "\n";
    text += "Median " + top.substr(0, top.size() - 3) + " over the held programs: " +
            (s.medianOffgridTopHeldDb ? number(*s.medianOffgridTopHeldDb, 1) + " dB" : std::string("none held")) + "\n";
    return text;
}
