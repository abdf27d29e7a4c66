// The Windows registry calls the memo slots are kept with (MemoStore), as a
// table, so that a test can give other ones (a registry that refuses a root,
// for example). Windows only.
//
// Threads: every call may be made from any thread; handles are not shared
// between threads by the callers here.
#pragma once

#if !defined(_WIN32)
#error "The registry exists on Windows only."
#endif

#include "win32/Win32.h"

struct RegistryCalls
{
    decltype(&RegCreateKeyExA) createKey;
    decltype(&RegOpenKeyExA) openKey;
    decltype(&RegSetValueExA) setValue;
    decltype(&RegQueryValueExA) queryValue;
    decltype(&RegCloseKey) closeKey;
    decltype(&RegDeleteKeyA) deleteKey;
};

// The system's registry.
inline const RegistryCalls& platformRegistry()
{
    static const RegistryCalls calls{&RegCreateKeyExA,  &RegOpenKeyExA, &RegSetValueExA,
                                     &RegQueryValueExA, &RegCloseKey,   &RegDeleteKeyA};
    return calls;
}
