// Small text helpers for sample paths.
#pragma once

#include <string>

// True when the text is longer than 3 characters and ends in ".mp3", in any case.
bool endsWithMp3(const std::string& path);
// True when the text begins with the prefix.
bool starts_with(const std::string& text, const std::string& prefix);
// The file name without folders (after the last '/' or '\') and without
// its last extension: "/home/x/My Loop.wav" gives "My Loop".
std::string instrumentNameFromPath(const std::string& path);
