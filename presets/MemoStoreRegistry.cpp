#include "MemoStore.h"

#include "LittleEndian.h"
#include "Registry.h"
#include "SettingsLocation.h"

#include <cstring>
#include <vector>

namespace
{
constexpr const char* kNameValue = "name";
constexpr DWORD kValueSize = 4;
// Far beyond any name this effect writes; a bigger value is not read at all.
constexpr DWORD kMaxNameValueSize = 1024 * 1024;
} // namespace

MemoStore::MemoStore() : registry(&platformRegistry()) {}

MemoStore::MemoStore(const RegistryCalls& calls) : registry(&calls) {}

std::string MemoStore::keyPath(MemoSlot slot)
{
    return settingsKeyPath() + (slot == MemoSlot::A ? "\\MemoA" : "\\MemoB");
}

int32_t MemoStore::write(MemoSlot slot, const MemoContents& contents) const
{
    const std::string path = keyPath(slot);
    HKEY key = nullptr;
    LONG status = registry->createKey(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_WRITE, nullptr, &key, nullptr);
    const bool machineWide = status == ERROR_SUCCESS;
    if (status == ERROR_ACCESS_DENIED)
        status = registry->createKey(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;

    // Errors of single values are not reported: the slot is best effort.
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
    {
        if (!contents.hasValue[i])
            continue;
        char name[kValueNameCapacity] = {};
        valueName(i, name);
        BYTE bytes[kValueSize] = {};
        putFloatLE(contents.values[i], bytes);
        registry->setValue(key, name, 0, REG_BINARY, bytes, kValueSize);
    }
    if (contents.hasName)
        registry->setValue(key, kNameValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(contents.name.c_str()),
                           static_cast<DWORD>(contents.name.size() + 1));
    status = registry->closeKey(key);

    // A recall reads the user's copy first: one left from an earlier store
    // that fell back would hide this one for ever.
    if (machineWide)
    {
        const LONG removed = registry->deleteKey(HKEY_CURRENT_USER, path.c_str());
        if (status == ERROR_SUCCESS && removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND)
            status = removed;
    }
    return status;
}

int32_t MemoStore::read(MemoSlot slot, MemoContents& contents) const
{
    const std::string path = keyPath(slot);
    HKEY key = nullptr;
    LONG status = registry->openKey(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS)
        status = registry->openKey(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS)
        return status;

    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
    {
        char name[kValueNameCapacity] = {};
        valueName(i, name);
        BYTE bytes[kValueSize] = {};
        DWORD size = kValueSize;
        contents.hasValue[i] = registry->queryValue(key, name, nullptr, nullptr, bytes, &size) == ERROR_SUCCESS &&
                               size == kValueSize;
        if (contents.hasValue[i])
            contents.values[i] = getFloatLE(bytes);
    }

    // The name is read at whatever length it was stored; the program store cuts it.
    contents.hasName = false;
    DWORD size = 0;
    if (registry->queryValue(key, kNameValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
        size <= kMaxNameValueSize)
    {
        std::vector<char> text(static_cast<size_t>(size) + 1, '\0');
        if (registry->queryValue(key, kNameValue, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size) ==
            ERROR_SUCCESS)
        {
            text[size] = '\0';
            contents.name = text.data();
            contents.hasName = true;
        }
    }
    return registry->closeKey(key);
}
