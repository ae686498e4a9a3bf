// Where the standalone program keeps the plug-in's state between runs, and
// reading and writing such a file.
#pragma once

#include <string>
#include <vector>

// What a state file holds: the plug-in's whole bank chunk and the program
// that was current, which the chunk does not carry.
struct StandaloneState {
    std::vector<char> chunk;
    int program = -1;  // -1: not recorded
};

// A first line "quaxel2-state 1 program N", then the chunk's bytes.
std::vector<char> encodeState(const StandaloneState& state);
// Reads what encodeState wrote; a file without that first line is taken as
// a bare bank chunk (one saved by another program), with no program.
StandaloneState decodeState(const std::vector<char>& bytes);

// $XDG_STATE_HOME/quaxel2/last.state, or ~/.local/state/quaxel2/last.state.
std::string lastStatePath();

// False with the reason in `why` when the file cannot be read or is empty.
bool readStateFile(const std::string& path, std::vector<char>& bytes, std::string& why);

// Writes a temporary file beside `path`, flushes it to disk and renames it
// into place, so that a crash mid-save leaves the previous file whole. Makes
// the folder if needed. False with the reason in `why`.
bool writeStateFile(const std::string& path, const std::vector<char>& bytes, std::string& why);
