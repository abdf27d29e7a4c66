// The editor's bitmaps from the module's resource section (compiled from
// resources/corvanta.rc): BITMAP resources at 100 %, packed DIBs the toolkit
// decodes as they are, and RCDATA resources holding PNG files at the other
// zoom levels.
#include "BitmapResources.h"

#include "Win32.h"

HMODULE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

EmbeddedData findBitmapResource(long resourceId)
{
    if (resourceId <= 0 || resourceId > 0xFFFF)
        return {};
    const HMODULE module = thisModule();
    // Resource data stays mapped as long as the module is loaded: nothing to free.
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(2)); // RT_BITMAP
    if (!resource)
        resource = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (!resource)
        return {};
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return {static_cast<const unsigned char*>(bytes), static_cast<size_t>(SizeofResource(module, resource))};
}
