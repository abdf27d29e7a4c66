#include "CMemoSlots.h"

#include "CPresetSystemEffect.h"
#include "LittleEndian.h"
#include "Registry.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
constexpr const char* kVendorKey = "SOFTWARE\\ORV-soundlab\\";
constexpr const char* kProductKey = "ORVcv15";
constexpr const char* kNameValue = "name";
constexpr DWORD kValueSize = 4;
// Far beyond any name this effect writes; a bigger value is not read at all.
constexpr DWORD kMaxNameValueSize = 1024 * 1024;
} // namespace

CMemoSlots::CMemoSlots() : registry(platformRegistry()) {}

CMemoSlots::CMemoSlots(const RegistryCalls& calls) : registry(calls) {}

std::string CMemoSlots::keyPath(MemoSlot slot)
{
    return std::string(kVendorKey) + kProductKey + (slot == MemoSlot::A ? "\\MemoA" : "\\MemoB");
}

void CMemoSlots::valueName(int32_t index, char (&name)[kValueNameCapacity])
{
    std::snprintf(name, sizeof(name), "param%3d", static_cast<int>(index));
}

int32_t CMemoSlots::store(CPresetSystemEffect& effect, MemoSlot slot) const
{
    const std::string path = keyPath(slot);
    HKEY key = nullptr;
    LONG status = registry.createKey(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &key, nullptr);
    if (status == ERROR_ACCESS_DENIED)
        status = registry.createKey(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;

    // Errors of single values are not reported: the slot is best effort.
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
    {
        char name[kValueNameCapacity] = {};
        valueName(i, name);
        BYTE bytes[kValueSize] = {};
        putFloatLE(effect.getParameter(i), bytes);
        registry.setValue(key, name, 0, REG_BINARY, bytes, kValueSize);
    }
    char programName[CProgram::kNameCapacity] = {};
    if (const CProgram* current = effect.getStoredProgram(effect.getCurrentProgramIndex()))
        current->getName(programName);
    registry.setValue(key, kNameValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(programName),
                      static_cast<DWORD>(std::strlen(programName) + 1));
    return registry.closeKey(key);
}

int32_t CMemoSlots::recall(CPresetSystemEffect& effect, MemoSlot slot) const
{
    const std::string path = keyPath(slot);
    HKEY key = nullptr;
    LONG status = registry.openKey(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS)
        status = registry.openKey(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS)
        return status;

    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
    {
        char name[kValueNameCapacity] = {};
        valueName(i, name);
        BYTE bytes[kValueSize] = {};
        DWORD size = kValueSize;
        if (registry.queryValue(key, name, nullptr, nullptr, bytes, &size) == ERROR_SUCCESS && size == kValueSize)
            effect.setParameterAutomated(i, getFloatLE(bytes));
    }

    // The name is read at whatever length it was stored and cut by the store.
    DWORD size = 0;
    if (registry.queryValue(key, kNameValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
        size <= kMaxNameValueSize)
    {
        std::vector<char> text(static_cast<size_t>(size) + 1, '\0');
        if (registry.queryValue(key, kNameValue, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                                &size) == ERROR_SUCCESS)
        {
            text[size] = '\0';
            effect.setCurrentProgramName(text.data());
        }
    }

    effect.updateDisplay();
    return registry.closeKey(key);
}
