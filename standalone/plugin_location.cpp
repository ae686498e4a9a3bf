#include "standalone/plugin_location.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace {

constexpr const char* kFileName = "quaxel2.so";

void addPathList(std::vector<std::string>& folders, const char* variable) {
    const char* list = std::getenv(variable);
    if (!list) return;
    std::stringstream items(list);
    for (std::string folder; std::getline(items, folder, ':');)
        if (!folder.empty()) folders.push_back(folder);
}

}  // namespace

std::string findPlugin(const std::string& given) {
    if (!given.empty()) return given;
    std::vector<std::string> folders;
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) folders.push_back(self.parent_path().string());
    folders.push_back(QUAXEL2_INSTALLED_VST_DIR);
    addPathList(folders, "LXVST_PATH");
    addPathList(folders, "VST_PATH");
    if (const char* home = std::getenv("HOME")) folders.push_back(std::string(home) + "/.vst");
    folders.push_back("/usr/local/lib/vst");
    folders.push_back("/usr/lib/vst");
    for (const std::string& folder : folders) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / kFileName;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate.string();
    }
    return {};
}
