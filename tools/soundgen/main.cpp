// quaxel2-soundgen DATA_DIR INCLUDE_DIR
// Synthesises every built-in sound: the default waveform and the catalogue's
// arrays as raw float files, the embedded sounds as WAV images, all in
// DATA_DIR with DATA_DIR/builtin_sounds.S that embeds them; and the headers
// INCLUDE_DIR/resources/builtin_{waveforms,catalogue,resources}.h.
// The output depends on nothing but the recipes: same bytes on every run.
#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <stdexcept>

#include "catalogue.h"
#include "embedded.h"
#include "emit.h"
#include "render.h"
#include "sound.h"
#include "wav.h"

namespace fs = std::filesystem;
using namespace soundgen;

namespace {

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::string folded(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Names end up in C string literals and must tell the sounds apart.
void checkNames(const std::vector<Sound>& sounds, const std::vector<CatalogueSound>& catalogue,
                const std::vector<EmbeddedSound>& embedded) {
    std::set<std::string> seen;
    for (const Sound& s : sounds) {
        if (!isIdentifier(s.name)) throw std::runtime_error("not a C name: '" + s.name + "'");
        if (!seen.insert(s.name).second) throw std::runtime_error("two sounds named " + s.name);
    }
    auto plain = [](const std::string& s) { return s.find_first_of("\"\\\n") == std::string::npos; };
    seen.clear();
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const CatalogueSound& c = catalogue[i];
        if (c.id != int(i)) throw std::runtime_error("catalogue out of order at " + c.name);
        if (!plain(c.name) || !seen.insert(folded(c.name)).second) throw std::runtime_error("bad or twice: " + c.name);
    }
    if (seen.count(folded(catalogueAlias))) throw std::runtime_error("the alias names an entry");
    seen.clear();
    for (const EmbeddedSound& e : embedded) {
        if (!plain(e.resourceName()) || !seen.insert(e.resourceName()).second) {
            throw std::runtime_error("bad or twice: " + e.resourceName());
        }
    }
}

// Renders one sound; a failure names it.
template <typename Render>
Channels named(const std::string& name, Render render) {
    try {
        return render();
    } catch (const std::exception& e) {
        throw std::runtime_error(name + ": " + e.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quaxel2-soundgen DATA_DIR INCLUDE_DIR\n";
        return 2;
    }
    try {
        const fs::path dataDir = argv[1];
        const fs::path includeDir = fs::path(argv[2]) / "resources";
        const std::vector<Sound>& sounds = builtinSounds();
        const std::vector<CatalogueSound>& entries = catalogue();
        const std::vector<EmbeddedSound>& embedded = embeddedSounds();
        checkNames(sounds, entries, embedded);

        std::vector<Blob> blobs;
        for (const Sound& s : sounds) {
            const std::string bytes = rawSamples(render(s), s.channels);
            writeFile(dataDir / (s.name + ".f32"), bytes);
            blobs.push_back({s.name, s.name + ".f32", bytes.size()});
        }
        for (const CatalogueSound& c : entries) {
            if (!c.ownsArray()) continue;
            const Channels audio = named(c.name, [&] {
                return renderRecipe(c.recipe, c.lengthOfArray(), c.channels, 44100, c.rootNote, c.id + 1);
            });
            for (int ch = 0; ch < c.channels; ++ch) {
                const std::string symbol = ch == 0 ? catalogueSymbol(c.id) : catalogueRightSymbol(c.id);
                const std::string bytes = rawSamples(audio[ch], 1);
                writeFile(dataDir / (symbol + ".f32"), bytes);
                blobs.push_back({symbol, symbol + ".f32", bytes.size()});
            }
        }
        std::vector<std::size_t> sizes;
        for (std::size_t i = 0; i < embedded.size(); ++i) {
            const EmbeddedSound& e = embedded[i];
            const Channels audio = named(e.resourceName(), [&] {
                return renderRecipe(e.recipe, e.frames, e.format.channels, e.format.sampleRate, e.rootNote(), 1000 + i);
            });
            const std::string bytes = wavImage(audio, e.format);
            writeFile(dataDir / (resourceSymbol(i) + ".wav"), bytes);
            blobs.push_back({resourceSymbol(i), resourceSymbol(i) + ".wav", bytes.size()});
            sizes.push_back(bytes.size());
        }

        writeFile(dataDir / "builtin_sounds.S", assemblerSource(blobs));
        writeFile(includeDir / "builtin_waveforms.h", waveformsHeader(sounds, entries));
        writeFile(includeDir / "builtin_catalogue.h", catalogueHeader(entries, embedded));
        writeFile(includeDir / "builtin_catalogue_names.h", catalogueNamesHeader(entries));
        writeFile(includeDir / "builtin_resources.h", resourcesHeader(embedded, sizes));
        writeFile(includeDir / "builtin_loops.h", loopsHeader(entries, embedded));
    } catch (const std::exception& e) {
        std::cerr << "quaxel2-soundgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
