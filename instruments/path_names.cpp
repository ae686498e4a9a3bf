#include "instruments/path_names.h"

#include <cctype>

bool endsWithMp3(const std::string& path) {
    if (path.size() < 4) return false;
    const std::string tail = path.substr(path.size() - 4);
    static const char* const kSuffix = ".mp3";
    for (int i = 0; i < 4; i++)
        if (std::tolower(static_cast<unsigned char>(tail[i])) != kSuffix[i]) return false;
    return true;
}

bool starts_with(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

std::string instrumentNameFromPath(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}
