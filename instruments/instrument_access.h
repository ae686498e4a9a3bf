// Who may touch an instrument's playing state. A live instrument is read
// by the audio thread and changed by host automation, program changes and
// the editor's requests, each under the engine lock of the plug-in that
// holds it. The thread-safety analysis cannot name "the lock of the engine
// that holds this instrument", so it checks a role instead: every engine
// lock grants it, and so does building instruments that no engine can
// reach yet.
#pragma once

#include "host/thread_annotations.h"

class CAPABILITY("role") InstrumentAccess {};

inline InstrumentAccess instrumentAccess;

// Held while instruments are made or taken apart out of every engine's
// reach: by a loader, a program being built, or a test.
class SCOPED_CAPABILITY UnpublishedInstruments {
public:
    UnpublishedInstruments() ACQUIRE(instrumentAccess) {}
    ~UnpublishedInstruments() RELEASE() {}
    UnpublishedInstruments(const UnpublishedInstruments&) = delete;
    UnpublishedInstruments& operator=(const UnpublishedInstruments&) = delete;
};
