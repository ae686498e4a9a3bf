// Writes the editor program's image under /tmp and starts it as a child of
// the host process, safely in a multi-threaded host and against other users
// of /tmp:
// - the image goes to a new file (never through a link or into a file
//   another user owns or can write), which then takes the program's name;
// - the file is kept open and the very file written is the one executed,
//   through that descriptor, so nothing can be swapped in between;
// - the child is made with posix_spawn, which takes no lock between fork
//   and exec and does not copy the host's address space, and it inherits
//   only standard input, output and error;
// - the child is reaped by its own pid, never through the host's SIGCHLD.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

class EditorLauncher {
public:
    EditorLauncher() = default;
    // Ends a program still running: it has a second to leave on its own.
    ~EditorLauncher();
    EditorLauncher(const EditorLauncher&) = delete;
    EditorLauncher& operator=(const EditorLauncher&) = delete;

    // Writes `size` bytes of `image` as `path` with mode 0700 and keeps it
    // open for starting. False when the file cannot be made safely.
    bool writeExecutable(const std::string& path, const unsigned char* image, std::size_t size);
    // Starts the program with argv[0] "UIQuaxel2VST", the window and the
    // instance number. False when it cannot be started.
    bool start(const std::string& window, const std::string& instance);
    // Whether the started program still runs; reaps it once it has ended.
    bool running();
    // Waits up to `milliseconds` for the program to end, then kills it, and
    // reaps it either way.
    void finish(int milliseconds);
    pid_t pid() const { return child; }

private:
    int executable = -1;  // the file written, open for reading
    pid_t child = -1;
};
