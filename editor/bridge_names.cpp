#include "editor/bridge_names.h"

namespace bridge {

std::string uiExecutablePath(int instance) { return "/tmp/UIQuaxel2VST" + std::to_string(instance); }
std::string uiFifoPath(int instance) { return "/tmp/quaxel2ui" + std::to_string(instance) + ".fifo"; }
std::string pluginFifoPath(int instance) { return "/tmp/quaxel2plugin" + std::to_string(instance) + ".fifo"; }
std::string instrumentRegionName(int instance) { return "/instrument.mmap" + std::to_string(instance); }
std::string sampleRegionName(int instance) { return "/sample.mmap" + std::to_string(instance); }

}  // namespace bridge
