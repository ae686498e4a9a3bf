// The standalone program's window, seen from main(), which stays free of Qt.
#pragma once

#include <signal.h>

#include <string>

class JackEngine;
class VstHost;

// Whether an X display can be reached; says why not in `why`. Checked
// before Qt starts, which would abort the process otherwise.
bool windowDisplayReachable(std::string& why);

// Runs the window until the user quits or one of `endingSignals` arrives
// (they are blocked in every thread and read here through a signalfd; a
// SIGUSR1 counts only once the JACK server is gone). The editor is closed
// (effEditClose) before this returns; the host is still loaded and playing.
void playInWindow(VstHost& host, JackEngine& engine, const sigset_t& endingSignals);
