// Where the two memo slots are kept, shared by every instance of the effect.
//
// On Windows: the registry keys "SOFTWARE\ORV-soundlab\ORVcv15\MemoA" and
// "...\MemoB", one REG_BINARY value of 4 bytes per parameter ("param  0" to
// "param 15", a little-endian float) and the REG_SZ value "name". A store
// goes to HKEY_LOCAL_MACHINE and deletes the slot's copy under
// HKEY_CURRENT_USER; where the machine's key can't be written (an ordinary
// user) it goes to HKEY_CURRENT_USER instead. A recall reads the user's copy
// first, then the machine's: so it always finds what the last successful
// store wrote.
//
// On Linux: one file per slot in the settings folder (SettingsLocation.h),
// "memo-a.orv" and "memo-b.orv", each holding exactly the bytes of a preset
// file (PresetFileFormat.h). A store writes the whole file beside it and
// renames it into place, so a recall sees one store whole, never a mix of
// two. Slots stored by earlier versions in the folder's "registry/" tree are
// read from there until the slot is stored again.
//
// Threads: any thread; the effect calls it from the editor's thread.
#pragma once

#include "CProgram.h"

#include <cstdint>
#include <cstdio>
#include <string>

#if defined(_WIN32)
struct RegistryCalls;
#endif

enum class MemoSlot
{
    A,
    B
};

// What a slot holds. A store writes all 16 values and the name; a slot
// edited by hand may lack some, and a recall skips what is missing.
struct MemoContents
{
    float values[CProgram::kNumValues] = {};
    bool hasValue[CProgram::kNumValues] = {};
    std::string name;
    bool hasName = false;
};

// Results, with the numbers of the Windows system errors, so that both
// platforms answer alike; on Windows any other registry error comes through.
namespace memo_status
{
constexpr int32_t kOk = 0;
constexpr int32_t kNotFound = 2;     // the slot was never stored
constexpr int32_t kPathNotFound = 3; // no place for the store
constexpr int32_t kAccessDenied = 5;
constexpr int32_t kInvalidData = 13; // what the slot holds is no memo
constexpr int32_t kDiskFull = 112;
constexpr int32_t kCantRead = 1012;
constexpr int32_t kCantWrite = 1013;
} // namespace memo_status

class MemoStore
{
public:
    // On the platform's own store.
    MemoStore();
#if defined(_WIN32)
    // On other registry calls (a test's), which must outlive this object.
    explicit MemoStore(const RegistryCalls& calls);
#endif

    // Returns a memo_status code; a failed store leaves the slot as it was.
    int32_t write(MemoSlot slot, const MemoContents& contents) const;
    // Returns a memo_status code; contents are valid only with kOk.
    int32_t read(MemoSlot slot, MemoContents& contents) const;

    // The registry value of a parameter: "param" and the index right-aligned
    // in three characters, "param  0".
    static constexpr int kValueNameCapacity = 16;
    static void valueName(int32_t index, char (&name)[kValueNameCapacity])
    {
        std::snprintf(name, sizeof(name), "param%3d", static_cast<int>(index));
    }

#if defined(_WIN32)
    // "SOFTWARE\ORV-soundlab\ORVcv15\MemoA" or "...\MemoB".
    static std::string keyPath(MemoSlot slot);

private:
    const RegistryCalls* registry;
#else
    // The slot's file, or empty when the user has no configuration home.
    static std::string slotPath(MemoSlot slot);
#endif
};
