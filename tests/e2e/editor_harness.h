// What the editor program's tests need of a plug-in: the image it carries,
// the FIFOs and shared-memory regions it makes, and the program running as
// its child with the output read line by line.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace editor_test {

// The editor program's image, taken from quaxel2.so's `uifile`.
std::vector<unsigned char> embeddedImage();
// An instance number no other test process uses.
int uniqueInstance(int k);

// The files and regions of one plug-in object, made as the plug-in makes
// them and removed again. The plug-in's ends of both FIFOs are open,
// read-write and non-blocking.
class PluginSide {
public:
    enum Regions { fullRegions, emptyRegions };
    PluginSide(int instance, Regions regions);
    ~PluginSide();
    PluginSide(const PluginSide&) = delete;
    PluginSide& operator=(const PluginSide&) = delete;

    // Writes the image to /tmp/UIQuaxel2VST<N>, mode 0700; returns the path.
    std::string writeExecutable() const;
    void send(const std::vector<unsigned char>& bytes) const;
    // What the editor program has written to the UI FIFO.
    std::vector<unsigned char> received() const;
    // Gives instrument slot `slot` the id.
    void setSlotId(int slot, int id);

    const int instance;

private:
    int uiFifo = -1, pluginFifo = -1;
    unsigned char* instruments = nullptr;
};

// The editor program as a child process, its standard output on a pipe.
// Started `throughIntermediate`, its parent is a process of its own that
// waits to be killed (`killParent`), and the test process (a child
// subreaper meanwhile) inherits it when that parent dies.
class EditorProcess {
public:
    enum Parent { testProcess, throughIntermediate };
    // Runs `path` with argv[0] "UIQuaxel2VST" and `args`.
    EditorProcess(const std::string& path, const std::vector<std::string>& args, Parent parent = testProcess);
    // Kills whatever still runs and reaps it.
    ~EditorProcess();
    EditorProcess(const EditorProcess&) = delete;
    EditorProcess& operator=(const EditorProcess&) = delete;

    // The next line of output, without its end; "<timeout>" after five
    // seconds, "<end>" at the end of the output.
    std::string nextLine();
    // The exit code within `ms` (128 + the signal that ended it), or -1
    // while it still runs.
    int exitStatus(int ms);
    // Ends the intermediate parent with SIGKILL.
    void killParent();

    pid_t pid = -1;

private:
    pid_t intermediate = -1;
    int output = -1;
    std::string pending;
    bool reaped = false;
};

}  // namespace editor_test
