// <windows.h> as the Windows platform layer includes it, and the module
// (DLL or program) this code is linked into.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The module holding this code: its resources are the editor's bitmaps, and
// its window class belongs to it, so two copies of the plug-in loaded from
// different files keep apart.
HMODULE thisModule();
