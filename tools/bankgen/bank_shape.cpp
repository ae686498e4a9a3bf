#include "tools/bankgen/bank_shape.h"

#include <array>
#include <map>
#include <string>

#include "tools/bankgen/value_names.h"

namespace bankgen {

namespace {

constexpr std::size_t kPrograms = 128;
// Programs 0 to 126 holding one, two and three instruments; the last holds none.
constexpr std::array<int, 4> kProgramsByInstrumentCount{0, 116, 7, 4};
// Instrument records by type: catalogue, catalogue-fixed, resource.
constexpr std::array<int, 3> kInstrumentsByType{64, 3, 75};

const std::map<std::string, int>& resourcesByFolder() {
    static const std::map<std::string, int> folders{
        {":/Resources/sounds/stabs2/", 23},
        {":/Resources/sounds/stabs3/", 22},
        {":/Resources/sounds/instrus/", 16},
        {":/Resources/sounds/voices/", 14},
    };
    return folders;
}

std::string folderOf(const std::string& path) { return path.substr(0, path.find_last_of('/') + 1); }

template <typename Count>
void expectCount(Count found, Count wanted, const std::string& what, Diagnostics& diagnostics) {
    if (found != wanted)
        diagnostics.error(what + ": " + std::to_string(found) + " instead of " + std::to_string(wanted));
}

void checkSharedValues(const ProgramSource& program, Diagnostics& diagnostics) {
    const int delayLine = program.delayLine ? program.delayLine : program.line;
    if (program.delay[kDelaySync] != 1.0) diagnostics.error(delayLine, "every factory program keeps sync=1");
    if (program.delay[kDelaySpread] != 0.0) diagnostics.error(delayLine, "every factory program keeps spread=0");
    if (program.delay[kDelayReserved] != 0.0) diagnostics.error(delayLine, "every factory program keeps reserved=0");
    if (program.master[kMasterTune] != 0.5)
        diagnostics.error(program.masterLine ? program.masterLine : program.line,
                          "every factory program keeps master tune=0.5");
}

}  // namespace

void checkShape(const std::vector<ProgramSource>& programs, Diagnostics& diagnostics) {
    expectCount(programs.size(), kPrograms, "programs", diagnostics);
    std::array<int, 4> byCount{};
    std::array<int, 3> byType{};
    std::map<std::string, int> byFolder;
    for (std::size_t p = 0; p < programs.size(); p++) {
        const ProgramSource& program = programs[p];
        const std::size_t count = program.instruments.size();
        const bool last = p + 1 == kPrograms;
        if (last && count != 0) diagnostics.error(program.line, "the last program holds no instruments");
        if (!last && (count < 1 || count > 3)) diagnostics.error(program.line, "a program holds 1 to 3 instruments");
        if (!last && count < byCount.size()) byCount[count]++;
        for (const InstrumentSource& instrument : program.instruments) {
            byType[instrument.type]++;
            if (instrument.type == kResource) byFolder[folderOf(instrument.path)]++;
        }
        checkSharedValues(program, diagnostics);
    }
    for (int n = 1; n <= 3; n++)
        expectCount(byCount[n], kProgramsByInstrumentCount[n],
                    "programs with " + std::to_string(n) + " instrument" + (n > 1 ? "s" : ""), diagnostics);
    expectCount(byType[kCatalogue], kInstrumentsByType[kCatalogue], "catalogue instruments", diagnostics);
    expectCount(byType[kCatalogueFixed], kInstrumentsByType[kCatalogueFixed], "catalogue-fixed instruments",
                diagnostics);
    expectCount(byType[kResource], kInstrumentsByType[kResource], "resource instruments", diagnostics);
    for (const auto& [folder, wanted] : resourcesByFolder())
        expectCount(byFolder[folder], wanted, "resources from " + folder, diagnostics);
    for (const auto& [folder, found] : byFolder)
        if (!resourcesByFolder().count(folder)) diagnostics.error("resources from " + folder + ": none belong there");
}

void checkSize(std::size_t bytes, Diagnostics& diagnostics) {
    if (bytes == kFactoryBankBytes) return;
    const bool over = bytes > kFactoryBankBytes;
    const std::size_t difference = over ? bytes - kFactoryBankBytes : kFactoryBankBytes - bytes;
    const std::size_t characters = difference / 2;  // UTF-16: 2 bytes each
    diagnostics.error("the bank takes " + std::to_string(bytes) + " bytes instead of " +
                      std::to_string(kFactoryBankBytes) + ", " + std::to_string(difference) +
                      (over ? " too many" : " too few") + ": make the program names " + std::to_string(characters) +
                      (characters == 1 ? " character " : " characters ") + (over ? "shorter" : "longer") + " in all");
}

}  // namespace bankgen
