// Built by the lock-analysis tests, never run. With HOLD_ENGINE_LOCK it
// changes a live instrument's markers and values as the plug-in does and
// must compile; without it the same code must be refused, which shows that
// the analysis guards what the audio thread plays.
#include "instruments/instrument.h"
#include "synth/engine_mutex.h"

void moveLoop(EngineMutex& engineLock, Instrument& instrument) {
#ifdef HOLD_ENGINE_LOCK
    Locked<EngineMutex> held(engineLock);
#else
    static_cast<void>(engineLock);
#endif
    instrument.getSample(0, -1, -1)->setLoopStart(10);
    instrument.volume = 0.5f;
}
