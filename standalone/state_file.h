// Where the standalone program keeps the plug-in's state between runs, and
// reading and writing such a file.
#pragma once

#include <string>
#include <vector>

// $XDG_STATE_HOME/quaxel2/last.state, or ~/.local/state/quaxel2/last.state.
std::string lastStatePath();

// False with the reason in `why` when the file cannot be read or is empty.
bool readStateFile(const std::string& path, std::vector<char>& bytes, std::string& why);

// Writes a temporary file beside `path`, flushes it to disk and renames it
// into place, so that a crash mid-save leaves the previous file whole. Makes
// the folder if needed. False with the reason in `why`.
bool writeStateFile(const std::string& path, const std::vector<char>& bytes, std::string& why);
