// Tells when the process that started the editor program (the host that
// carries the plug-in) has ended, however it ended, so that the program
// does not outlive it. The program holds both ends of both FIFOs, so it
// never sees an end of file there.
//
// It compares the parent's pid with the one at start-up: an orphan is
// handed to init or a subreaper. PR_SET_PDEATHSIG is not used: it fires
// when the *thread* that forked exits, and hosts open editors from threads
// that come and go while the host lives on.
#pragma once

#include <sys/types.h>

class ParentWatch {
public:
    ParentWatch();
    bool gone() const;

private:
    pid_t parent;
};
