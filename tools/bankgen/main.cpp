// quaxel2-bankgen SOURCE.txt BANK.bin BANK.S
// Reads the factory bank's source, checks it, and writes the bank's bytes
// and the assembler file that embeds them as `bank` and `bank_size`.
// Nothing is written when the source has a fault; every fault is reported.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tools/bankgen/bank_shape.h"
#include "tools/bankgen/bank_source.h"
#include "tools/bankgen/bank_writer.h"

namespace fs = std::filesystem;
using namespace bankgen;

namespace {

bool writeFile(const fs::path& path, const void* bytes, std::size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return static_cast<bool>(file.flush());
}

int fail(const Diagnostics& diagnostics) {
    for (const std::string& message : diagnostics.all()) std::cerr << message << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: quaxel2-bankgen SOURCE.txt BANK.bin BANK.S\n";
        return 2;
    }
    const fs::path source = argv[1], binary = argv[2], assembler = argv[3];
    Diagnostics diagnostics(source.string());
    std::ifstream in(source);
    if (!in) {
        diagnostics.error("cannot be read");
        return fail(diagnostics);
    }
    const std::vector<ProgramSource> programs = readBankSource(in, diagnostics);
    if (!diagnostics.clean()) return fail(diagnostics);
    checkShape(programs, diagnostics);
    const std::vector<unsigned char> bank = encodeBank(programs);
    checkSize(bank.size(), diagnostics);
    if (!diagnostics.clean()) return fail(diagnostics);

    const std::string text = bankAssembler(binary.filename().string(), bank.size());
    if (!writeFile(binary, bank.data(), bank.size()) || !writeFile(assembler, text.data(), text.size())) {
        std::cerr << "quaxel2-bankgen: cannot write " << binary << " or " << assembler << "\n";
        return 1;
    }
    return 0;
}
