// What the fuzz targets share: a host callback that answers only the version
// query, and a configuration home in a temporary folder, so nothing a target
// runs can reach the user's settings. Nothing here writes outside it.
#pragma once

#include "TempDirectory.h"
#include "vst/VstInterface.h"

#include <cstdlib>

inline VstIntPtr VSTCALLBACK fuzzHostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The temporary folder of this fuzzing process, removed when it exits.
inline const TempDirectory& fuzzDirectory()
{
    static const TempDirectory directory;
    return directory;
}

inline void useFuzzConfigHome()
{
    ::setenv("XDG_CONFIG_HOME", fuzzDirectory().str().c_str(), 1);
}
