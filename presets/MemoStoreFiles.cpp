#include "MemoStore.h"

#include "FileAccess.h"
#include "LittleEndian.h"
#include "PresetFileFormat.h"
#include "SettingsLocation.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace
{
const char* slotFileName(MemoSlot slot)
{
    return slot == MemoSlot::A ? "memo-a.orv" : "memo-b.orv";
}

int32_t statusOf(int error, int32_t otherwise)
{
    switch (error)
    {
    case ENOENT:
    case ENOTDIR:
        return memo_status::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return memo_status::kAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return memo_status::kDiskFull;
    default:
        return otherwise;
    }
}

// Earlier versions kept each slot as a registry key in a tree of folders,
// below a root for the machine and one for the user, with the key's values
// in a file ".values" (replaced through temporaries ".values.XXXXXX"):
// "CVRG", then little-endian 32-bit numbers: version 1, the count of values,
// and per value the name's length, the name, the type, the data's length and
// the data.
constexpr const char* kEarlierRoots[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"};
constexpr uint32_t kEarlierBinary = 3; // REG_BINARY
constexpr uint32_t kEarlierText = 1;   // REG_SZ
constexpr size_t kEarlierMaxFileSize = 64 * 1024;

std::string earlierKeyFolder(const std::string& folder, const char* root, MemoSlot slot)
{
    return folder + "/registry/" + root + "/SOFTWARE/ORV-soundlab/ORVcv15/" + (slot == MemoSlot::A ? "MemoA" : "MemoB");
}

bool takeU32(const std::vector<uint8_t>& bytes, size_t& at, uint32_t& value)
{
    if (bytes.size() - at < 4)
        return false;
    value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[at + static_cast<size_t>(i)];
    at += 4;
    return true;
}

bool decodeEarlierValues(const std::vector<uint8_t>& bytes, MemoContents& contents)
{
    size_t at = 4;
    uint32_t version = 0;
    uint32_t count = 0;
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "CVRG", 4) != 0 || !takeU32(bytes, at, version) ||
        version != 1 || !takeU32(bytes, at, count))
        return false;
    contents = MemoContents();
    for (uint32_t n = 0; n < count; ++n)
    {
        uint32_t nameLength = 0;
        uint32_t type = 0;
        uint32_t dataLength = 0;
        if (!takeU32(bytes, at, nameLength) || bytes.size() - at < nameLength)
            return false;
        const std::string name(reinterpret_cast<const char*>(bytes.data() + at), nameLength);
        at += nameLength;
        if (!takeU32(bytes, at, type) || !takeU32(bytes, at, dataLength) || bytes.size() - at < dataLength)
            return false;
        const uint8_t* data = bytes.data() + at;
        at += dataLength;
        if (name == "name" && type == kEarlierText)
        {
            contents.name.assign(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), dataLength));
            contents.hasName = true;
            continue;
        }
        for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        {
            char valueName[MemoStore::kValueNameCapacity] = {};
            MemoStore::valueName(i, valueName);
            if (name == valueName && type == kEarlierBinary && dataLength == 4)
            {
                contents.values[i] = getFloatLE(data);
                contents.hasValue[i] = true;
            }
        }
    }
    return at == bytes.size();
}

// The slot as the earlier store kept it: of the machine's and the user's
// copies, the one written last.
bool readEarlierSlot(const std::string& folder, MemoSlot slot, MemoContents& contents)
{
    std::string newest;
    struct timespec newestTime{};
    for (const char* root : kEarlierRoots)
    {
        const std::string path = earlierKeyFolder(folder, root, slot) + "/.values";
        struct stat info{};
        if (::stat(path.c_str(), &info) != 0)
            continue;
        if (newest.empty() || info.st_mtim.tv_sec > newestTime.tv_sec ||
            (info.st_mtim.tv_sec == newestTime.tv_sec && info.st_mtim.tv_nsec > newestTime.tv_nsec))
        {
            newest = path;
            newestTime = info.st_mtim;
        }
    }
    std::vector<uint8_t> bytes;
    return !newest.empty() && readFileStart(newest, kEarlierMaxFileSize, bytes) == FileOpening::ok &&
           decodeEarlierValues(bytes, contents);
}

// Temporaries of writers that were killed, here and in the earlier store.
void removeLitter(const std::string& folder)
{
    for (MemoSlot slot : {MemoSlot::A, MemoSlot::B})
    {
        removeStaleTemporaries(folder, temporaryPrefix(slotFileName(slot)));
        for (const char* root : kEarlierRoots)
            removeStaleTemporaries(earlierKeyFolder(folder, root, slot), ".values.");
    }
}
} // namespace

MemoStore::MemoStore() = default;

std::string MemoStore::slotPath(MemoSlot slot)
{
    const std::string folder = settingsFolder();
    return folder.empty() ? folder : folder + "/" + slotFileName(slot);
}

int32_t MemoStore::write(MemoSlot slot, const MemoContents& contents) const
{
    const std::string folder = settingsFolder();
    if (folder.empty())
        return memo_status::kPathNotFound;
    if (const int error = makeFolders(folder))
        return statusOf(error, memo_status::kCantWrite);
    removeLitter(folder);

    ProgramRecord record;
    std::memcpy(record.name, contents.name.c_str(), strnlen(contents.name.c_str(), CProgram::kMaxNameLength));
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        record.values[i] = contents.hasValue[i] ? contents.values[i] : 0.0f;
    const auto bytes = writePresetFile(record);
    int error = 0;
    if (!replaceFile(folder + "/" + slotFileName(slot), bytes.data(), bytes.size(), &error))
        return statusOf(error, memo_status::kCantWrite);
    return memo_status::kOk;
}

int32_t MemoStore::read(MemoSlot slot, MemoContents& contents) const
{
    const std::string folder = settingsFolder();
    if (folder.empty())
        return memo_status::kPathNotFound;
    std::vector<uint8_t> bytes;
    int error = 0;
    const FileOpening opening = readFileStart(folder + "/" + slotFileName(slot), kPresetFileSize, bytes, &error);
    if (opening == FileOpening::cannotOpen && error == ENOENT)
        return readEarlierSlot(folder, slot, contents) ? memo_status::kOk : memo_status::kNotFound;
    if (opening == FileOpening::cannotOpen)
        return statusOf(error, memo_status::kCantRead);
    ProgramRecord record;
    if (opening != FileOpening::ok || readPresetFile(bytes.data(), bytes.size(), record) != FileCheck::ok)
        return memo_status::kInvalidData;
    contents = MemoContents();
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
    {
        contents.values[i] = record.values[i];
        contents.hasValue[i] = true;
    }
    contents.name = record.name;
    contents.hasName = true;
    return memo_status::kOk;
}
