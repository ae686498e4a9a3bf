#include "tools/bankgen/bank_source.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <string_view>

#include "instruments/path_names.h"
#include "tools/bankgen/value_names.h"

namespace bankgen {

namespace {

constexpr std::size_t kMaxProgramName = 24;  // what a host shows
constexpr std::size_t kMaxInstruments = parameter_map::kInstruments;  // what a rack holds

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string_view withoutComment(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); i++) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == '#' && !quoted) return line.substr(0, i);
    }
    return line;
}

// Takes the next word off the front of `rest`.
std::string_view takeWord(std::string_view& rest) {
    rest = trimmed(rest);
    const auto end = std::min(rest.find_first_of(" \t"), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

// Takes the next "quoted text" off the front of `rest`.
bool takeQuoted(std::string_view& rest, std::string& text) {
    rest = trimmed(rest);
    if (rest.empty() || rest.front() != '"') return false;
    const auto close = rest.find('"', 1);
    if (close == std::string_view::npos) return false;
    text = rest.substr(1, close - 1);
    rest.remove_prefix(close + 1);
    return true;
}

template <std::size_t N>
std::string knownNames(const std::array<NamedValue, N>& names) {
    std::string list;
    for (const NamedValue& value : names) list += (list.empty() ? "" : ", ") + std::string(value.name);
    return list;
}

// "name=value name=value ...": names may hold spaces ("vol A=0.2"), values may not.
template <std::size_t N>
void readValues(std::string_view text, const char* what, const std::array<NamedValue, N>& names,
                std::array<double, N>& values, int line, Diagnostics& diagnostics) {
    std::array<bool, N> given{};
    for (text = trimmed(text); !text.empty(); text = trimmed(text)) {
        const auto equals = text.find('=');
        const std::string_view name = trimmed(text.substr(0, equals));
        if (equals == std::string_view::npos || name.empty()) {
            diagnostics.error(line, "expected name=value, found '" + std::string(text) + "'");
            return;
        }
        text.remove_prefix(equals + 1);
        const std::string valueText(takeWord(text));
        std::size_t index = 0;
        while (index < N && names[index].name != name) index++;
        if (index == N) {
            diagnostics.error(line, "no " + std::string(what) + " value is called '" + std::string(name) +
                                        "'; the names are: " + knownNames(names));
            continue;
        }
        char* end = nullptr;
        const double value = std::strtod(valueText.c_str(), &end);
        if (valueText.empty() || *end != '\0' || !std::isfinite(value)) {
            diagnostics.error(line, std::string(name) + "=" + valueText + " is not a number");
        } else if (value < 0.0 || value > 1.0) {
            diagnostics.error(line, std::string(name) + "=" + valueText + " is outside 0..1");
        } else if (given[index]) {
            diagnostics.error(line, std::string(name) + " is given twice");
        } else {
            values[index] = value;
            given[index] = true;
        }
    }
}

template <std::size_t N>
std::array<double, N> initialValues(const std::array<NamedValue, N>& names) {
    std::array<double, N> values{};
    for (std::size_t i = 0; i < N; i++) values[i] = names[i].initial;
    return values;
}

bool printableName(const std::string& name) {
    for (char c : name)
        if (c < ' ' || c > '~') return false;
    return !name.empty() && name.size() <= kMaxProgramName;
}

class SourceReader {
public:
    explicit SourceReader(Diagnostics& diagnostics) : diagnostics(diagnostics) {}

    void readLine(std::string_view text, int line) {
        std::string_view rest = trimmed(withoutComment(text));
        if (rest.empty()) return;
        const std::string_view keyword = takeWord(rest);
        if (keyword == "program") return startProgram(rest, line);
        if (programs.empty()) return diagnostics.error(line, "'" + std::string(keyword) + "' before the first program");
        ProgramSource& program = programs.back();
        if (keyword == "catalogue") return addInstrument(program, kCatalogue, rest, line);
        if (keyword == "catalogue-fixed") return addInstrument(program, kCatalogueFixed, rest, line);
        if (keyword == "resource") return addInstrument(program, kResource, rest, line);
        if (keyword == "delay" && !program.delayLine) {
            program.delayLine = line;
            return readValues(rest, "delay", kDelayValues, program.delay, line, diagnostics);
        }
        if (keyword == "master" && !program.masterLine) {
            program.masterLine = line;
            return readValues(rest, "master", kMasterValues, program.master, line, diagnostics);
        }
        if (keyword == "delay" || keyword == "master")
            return diagnostics.error(line, "a second " + std::string(keyword) + " line in program " + program.name);
        diagnostics.error(line, "a line starts with program, catalogue, catalogue-fixed, resource, delay or master, not '" +
                                    std::string(keyword) + "'");
    }

    std::vector<ProgramSource> programs;

private:
    void startProgram(std::string_view rest, int line) {
        const std::string given(takeWord(rest));
        const std::string expected = std::to_string(programs.size());
        ProgramSource& program = programs.emplace_back();
        program.line = line;
        program.delay = initialValues(kDelayValues);
        program.master = initialValues(kMasterValues);
        if (given != expected) diagnostics.error(line, "expected program " + expected + ", found '" + given + "'");
        if (!takeQuoted(rest, program.name) || !trimmed(rest).empty())
            return diagnostics.error(line, "expected: program " + expected + " \"Name\"");
        if (!printableName(program.name))
            diagnostics.error(line, "a program name has 1 to 24 printable ASCII characters: \"" + program.name + "\"");
        for (std::size_t i = 0; i + 1 < programs.size(); i++)
            if (programs[i].name == program.name)
                diagnostics.error(line, "program " + std::to_string(i) + " has the name \"" + program.name + "\" too");
    }

    void addInstrument(ProgramSource& program, InstrumentType type, std::string_view rest, int line) {
        InstrumentSource instrument;
        instrument.line = line;
        instrument.type = type;
        instrument.values = initialValues(kInstrumentValues);
        std::string quoted;
        if (!takeQuoted(rest, quoted)) return diagnostics.error(line, "expected a \"quoted\" sound name after the keyword");
        if (!resolve(instrument, quoted, line)) return;
        readValues(rest, "instrument", kInstrumentValues, instrument.values, line, diagnostics);
        if (program.instruments.size() == kMaxInstruments)
            return diagnostics.error(line, "a program holds at most 16 instruments");
        program.instruments.push_back(std::move(instrument));
    }

    bool resolve(InstrumentSource& instrument, const std::string& quoted, int line) {
        if (instrument.type == kResource) {
            const int index = resourceIndex(quoted);
            if (index < 0) {
                diagnostics.error(line, "no embedded resource is called \"" + quoted + "\"");
                return false;
            }
            instrument.path = quoted;
            instrument.name = instrumentNameFromPath(quoted);
            instrument.markers = resourceMarkers(index);
            return true;
        }
        const int id = catalogueId(quoted);
        if (id < 0) {
            diagnostics.error(line, "no catalogue instrument is called \"" + quoted + "\"");
            return false;
        }
        instrument.name = quoted;
        instrument.markers = catalogueMarkers(id);
        return true;
    }

    Diagnostics& diagnostics;
};

}  // namespace

std::vector<ProgramSource> readBankSource(std::istream& in, Diagnostics& diagnostics) {
    SourceReader reader(diagnostics);
    std::string text;
    for (int line = 1; std::getline(in, text); line++) reader.readLine(text, line);
    return std::move(reader.programs);
}

}  // namespace bankgen
