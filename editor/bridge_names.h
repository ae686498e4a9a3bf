// Where the plug-in and its editor program meet: the files under /tmp and
// the shared-memory objects, each named with the plug-in's instance number
// (their layout: contract/shared_layout.h). Both sides take the names from
// here, so they cannot drift apart.
#pragma once

#include <string>

namespace bridge {

// The editor program as the plug-in writes it out, e.g. /tmp/UIQuaxel2VST0.
std::string uiExecutablePath(int instance);
// Written by the editor program, read by the plug-in: /tmp/quaxel2ui0.fifo.
std::string uiFifoPath(int instance);
// Written by the plug-in, read by the editor program: /tmp/quaxel2plugin0.fifo.
std::string pluginFifoPath(int instance);
constexpr unsigned kFifoMode = 0600;

// Shared-memory objects: /instrument.mmap0 and /sample.mmap0.
std::string instrumentRegionName(int instance);
std::string sampleRegionName(int instance);

}  // namespace bridge
