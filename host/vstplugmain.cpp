// The entry point a host looks up after loading the shared object.
#include "host/audioeffect.h"
#include "host/export.h"

extern "C" QX_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    // A host that does not answer the version query gets no plug-in.
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = createEffectInstance(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
}

// Three exported helpers that stand outside the plug-in; nothing calls them.
extern "C" QX_EXPORT int SampleAddInt(int a, int b) { return a + b; }
extern "C" QX_EXPORT void SampleFunction1() {}
extern "C" QX_EXPORT int SampleFunction2() { return 0; }
