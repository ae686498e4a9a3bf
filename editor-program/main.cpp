// UIQuaxel2VST WINDOW INSTANCE: the editor program of one plug-in object.
// WINDOW is the host's window handle in decimal, INSTANCE the plug-in's
// instance number, which names the FIFOs and shared-memory regions.
#include <sys/prctl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "editor-program/headless_loop.h"
#include "editor-program/headless_window.h"
#include "editor-program/parent_watch.h"
#include "editor-program/uicommunication.h"

namespace {

// A whole decimal number within [0, limit].
bool parseDecimal(const char* text, unsigned long long limit, unsigned long long& value) {
    if (!text || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && value <= limit;
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, before the parent has much chance to end.
    const ParentWatch parent;
    // Started from an open file, the process would be named after its
    // descriptor; it goes by its own name.
    prctl(PR_SET_NAME, "UIQuaxel2VST");
    // Lines reach the host's output (or a pipe) as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    unsigned long long window = 0, instance = 0;
    if (argc != 3 || !parseDecimal(argv[1], ~0ull, window) || !parseDecimal(argv[2], 0x7fffffff, instance)) {
        std::printf("Quaxel2UI > usage: UIQuaxel2VST WINDOW INSTANCE (both decimal)\n");
        return 2;
    }
    HeadlessWindow editor;
    UICommunication communication(static_cast<int>(instance));
    communication.setWindow(&editor);
    editor.embedInto(window);
    return runHeadless(communication, editor, parent);
}
