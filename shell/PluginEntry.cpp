// The module's entry point, exported as VSTPluginMain and as main.
#include "Corvanta.h"

#include <new>

#if defined(_WIN32)
#define CORVANTA_EXPORT extern "C" __declspec(dllexport)
#else
#define CORVANTA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

CORVANTA_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    // Without a callback there is no host to talk to, and a host that
    // answers 0 to the version query is no VST host.
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    try
    {
        auto* effect = new Corvanta(audioMaster, createPluginEditor);
        return effect->getAeffect();
    }
    catch (...)
    {
        return nullptr;
    }
}

#if !defined(_WIN32)
// Older Linux hosts look the entry point up under the name "main".
CORVANTA_EXPORT AEffect* mainEntry(audioMasterCallback audioMaster) __asm__("main");
AEffect* mainEntry(audioMasterCallback audioMaster)
{
    return VSTPluginMain(audioMaster);
}
#endif
