// The registry calls on Linux, over the per-user store of RegistryStore.
#include "Registry.h"

#include "RegistryStore.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <unordered_set>

// What an open key handle points to.
struct HKEY__
{
    std::string directory;
    REGSAM access;
};

namespace
{
constexpr REGSAM kRootAccess = KEY_ALL_ACCESS;

std::mutex handleMutex;
std::unordered_set<HKEY> openHandles;

bool isRoot(HKEY key)
{
    return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER;
}

// The directory and rights of a root or open handle. Closed or made-up
// handles are refused rather than followed.
LONG resolve(HKEY key, std::string& directory, REGSAM& access)
{
    if (isRoot(key))
    {
        directory = registry_store::rootDirectory(key);
        access = kRootAccess;
        return directory.empty() ? ERROR_PATH_NOT_FOUND : ERROR_SUCCESS;
    }
    const std::lock_guard<std::mutex> guard(handleMutex);
    if (!key || openHandles.count(key) == 0)
        return ERROR_INVALID_HANDLE;
    directory = key->directory;
    access = key->access;
    return ERROR_SUCCESS;
}

// The directory of a key whose handle holds `right`.
LONG resolveFor(HKEY key, REGSAM right, std::string& directory)
{
    REGSAM access = 0;
    const LONG status = resolve(key, directory, access);
    if (status != ERROR_SUCCESS)
        return status;
    return (access & right) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Runs a call that may allocate; running out of memory becomes its status.
template <typename Call>
LONG guarded(Call call)
{
    try
    {
        return call();
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

HKEY newHandle(std::string directory, REGSAM access)
{
    auto* key = new HKEY__{std::move(directory), access};
    const std::lock_guard<std::mutex> guard(handleMutex);
    openHandles.insert(key);
    return key;
}

LONG openOrCreate(HKEY parent, LPCSTR subKey, REGSAM access, bool create, HKEY& result, bool& created)
{
    std::string directory;
    REGSAM parentAccess = 0;
    LONG status = resolve(parent, directory, parentAccess);
    if (status != ERROR_SUCCESS)
        return status;
    const bool naming = subKey && *subKey;
    if (create && naming && !(parentAccess & KEY_CREATE_SUB_KEY))
        return ERROR_ACCESS_DENIED;
    if (create && isRoot(parent))
        status = registry_store::makeDirectories(directory);
    if (status == ERROR_SUCCESS)
        status = registry_store::walkKeyPath(directory, subKey, create, created);
    if (status != ERROR_SUCCESS)
        return status;
    // Opening a root itself gives the root back, as the registry does.
    result = !naming && isRoot(parent) ? parent : newHandle(std::move(directory), access);
    return ERROR_SUCCESS;
}
} // namespace

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR, DWORD dwOptions, REGSAM samDesired,
                        const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition)
{
    if (!phkResult || !lpSubKey || Reserved != 0)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    // Volatile keys, links and backup semantics are not offered.
    if (dwOptions != REG_OPTION_NON_VOLATILE)
        return ERROR_INVALID_PARAMETER;
    return guarded([&] {
        bool created = false;
        const LONG status = openOrCreate(hKey, lpSubKey, samDesired, true, *phkResult, created);
        if (status == ERROR_SUCCESS && lpdwDisposition)
            *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return status;
    });
}

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return guarded([&] {
        bool created = false;
        return openOrCreate(hKey, lpSubKey, samDesired, false, *phkResult, created);
    });
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    return guarded([&] {
        std::string directory;
        LONG status = resolveFor(hKey, KEY_SET_VALUE, directory);
        if (status != ERROR_SUCCESS)
            return status;
        if (!lpData && cbData > 0)
            return ERROR_NOACCESS;
        registry_store::Value value;
        value.name = lpValueName ? lpValueName : "";
        if (value.name.size() > registry_store::kMaxValueNameLength)
            return ERROR_INVALID_PARAMETER;
        value.type = dwType;
        if (cbData > 0)
            value.data.assign(lpData, lpData + cbData);
        if (isRoot(hKey))
            status = registry_store::makeDirectories(directory);
        return status == ERROR_SUCCESS ? registry_store::writeValue(directory, value) : status;
    });
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData)
{
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    return guarded([&] {
        std::string directory;
        LONG status = resolveFor(hKey, KEY_QUERY_VALUE, directory);
        if (status != ERROR_SUCCESS)
            return status;
        registry_store::Value value;
        status = registry_store::readValue(directory, lpValueName, value);
        if (status == ERROR_KEY_DELETED && isRoot(hKey)) // a root nothing was stored under yet
            status = ERROR_FILE_NOT_FOUND;
        if (status != ERROR_SUCCESS)
            return status;
        if (lpType)
            *lpType = value.type;
        const auto size = static_cast<DWORD>(value.data.size());
        if (lpData)
        {
            if (*lpcbData < size)
                status = ERROR_MORE_DATA;
            else if (size > 0)
                std::copy(value.data.begin(), value.data.end(), lpData);
        }
        if (lpcbData)
            *lpcbData = size;
        return status;
    });
}

LSTATUS RegCloseKey(HKEY hKey)
{
    if (isRoot(hKey))
        return ERROR_SUCCESS;
    {
        const std::lock_guard<std::mutex> guard(handleMutex);
        if (!hKey || openHandles.erase(hKey) == 0)
            return ERROR_INVALID_HANDLE;
    }
    delete hKey;
    return ERROR_SUCCESS;
}
