// quaxel2-soundgen DATA_DIR HEADER
// Synthesises every built-in sound into DATA_DIR/<name>.f32, writes
// DATA_DIR/builtin_waveforms.S that embeds them, and the header HEADER.
// The output depends on nothing but the recipes: same bytes on every run.
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <stdexcept>

#include "emit.h"
#include "render.h"

namespace fs = std::filesystem;
using namespace soundgen;

namespace {

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

void checkNames(const std::vector<Sound>& sounds) {
    std::set<std::string> seen;
    for (const Sound& s : sounds) {
        if (!isIdentifier(s.name)) throw std::runtime_error("not a C name: '" + s.name + "'");
        if (!seen.insert(s.name).second) throw std::runtime_error("two sounds named " + s.name);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quaxel2-soundgen DATA_DIR HEADER\n";
        return 2;
    }
    try {
        const fs::path dataDir = argv[1];
        const std::vector<Sound>& sounds = builtinSounds();
        checkNames(sounds);
        for (const Sound& s : sounds) {
            writeFile(dataDir / (s.name + ".f32"), rawSamples(render(s), s.channels));
        }
        writeFile(dataDir / "builtin_waveforms.S", assemblerSource(sounds));
        writeFile(argv[2], headerSource(sounds));
    } catch (const std::exception& e) {
        std::cerr << "quaxel2-soundgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
