// Finds the quaxel2.so the standalone program hosts.
#pragma once

#include <string>

// `given` if not empty; otherwise the first quaxel2.so beside this program
// (the build folder), in the folder `install` put it, or where hosts look
// ($LXVST_PATH, $VST_PATH, ~/.vst, /usr/local/lib/vst, /usr/lib/vst).
// Empty when there is none.
std::string findPlugin(const std::string& given);
