#include "ZoomSetting.h"

#include "Registry.h"
#include "SettingsLocation.h"

namespace
{
constexpr const char* kValueName = "EditorZoom";

bool isLevel(DWORD percent)
{
    return percent == 100 || percent == 150 || percent == 200;
}
} // namespace

int loadZoomChoice()
{
    const RegistryCalls& registry = platformRegistry();
    HKEY key = nullptr;
    if (registry.openKey(HKEY_CURRENT_USER, settingsKeyPath().c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const bool read = registry.queryValue(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                          ERROR_SUCCESS &&
                      type == REG_DWORD && size == sizeof value;
    registry.closeKey(key);
    return read && isLevel(value) ? static_cast<int>(value) : 0;
}

bool saveZoomChoice(int percent)
{
    if (percent <= 0 || !isLevel(static_cast<DWORD>(percent)))
        return false;
    const RegistryCalls& registry = platformRegistry();
    HKEY key = nullptr;
    if (registry.createKey(HKEY_CURRENT_USER, settingsKeyPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD value = static_cast<DWORD>(percent);
    const bool written = registry.setValue(key, kValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                           sizeof value) == ERROR_SUCCESS;
    return registry.closeKey(key) == ERROR_SUCCESS && written;
}
