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

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

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
