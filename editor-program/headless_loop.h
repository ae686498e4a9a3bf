// The program's event loop while it has no window: the 20 ms poll of the
// plugin FIFO until quit, SIGTERM or SIGINT, or the plug-in's process ending.
#pragma once

class UICommunication;
class HeadlessWindow;
class ParentWatch;

// Returns the program's exit status.
int runHeadless(UICommunication& communication, HeadlessWindow& window, const ParentWatch& parent);
