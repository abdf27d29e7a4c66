#include "RegistryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <dirent.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace registry_store
{
namespace
{
constexpr const char* kValuesFile = "/.values";
constexpr const char* kLockFile = "/.lock";
constexpr BYTE kMagic[4] = {'C', 'V', 'R', 'G'};
constexpr uint32_t kFormatVersion = 1;
// A values file beyond this is not one this store wrote.
constexpr off_t kMaxValuesFileSize = 64 * 1024 * 1024;

LONG statusFromErrno(int error, LONG otherwise)
{
    switch (error)
    {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return otherwise;
    }
}

bool isDirectory(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNames(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string encodeKeyName(std::string_view name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (size_t i = 0; i < name.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '%' || c == '/' || c < 0x20 || c == 0x7F || (i == 0 && c == '.'))
        {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
        else
            encoded += static_cast<char>(c);
    }
    return encoded;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool decodeKeyName(std::string_view encoded, std::string& name)
{
    name.clear();
    for (size_t i = 0; i < encoded.size(); ++i)
    {
        if (encoded[i] != '%')
        {
            name += encoded[i];
            continue;
        }
        if (i + 2 >= encoded.size())
            return false;
        const int high = hexDigit(encoded[i + 1]);
        const int low = hexDigit(encoded[i + 2]);
        if (high < 0 || low < 0)
            return false;
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// Finds the directory entry of the key `name` below `directory`: the encoded
// name itself, or an entry that decodes to the name in another case.
LONG findKey(const std::string& directory, std::string_view name, std::string& entry)
{
    entry = encodeKeyName(name);
    if (isDirectory(directory + "/" + entry))
        return ERROR_SUCCESS;
    DIR* listing = ::opendir(directory.c_str());
    if (!listing)
        return errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND : statusFromErrno(errno, ERROR_CANTREAD);
    LONG status = ERROR_FILE_NOT_FOUND;
    std::string decoded;
    while (const dirent* item = ::readdir(listing))
    {
        if (item->d_name[0] == '.' || !decodeKeyName(item->d_name, decoded) || !equalNames(decoded, name))
            continue;
        if (isDirectory(directory + "/" + item->d_name))
        {
            entry = item->d_name;
            status = ERROR_SUCCESS;
            break;
        }
    }
    ::closedir(listing);
    return status;
}

void putU32(std::vector<BYTE>& bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<BYTE>(value >> shift));
}

// Reads a little-endian 32-bit number at `at`, moving `at` past it.
bool getU32(const std::vector<BYTE>& bytes, size_t& at, uint32_t& value)
{
    if (bytes.size() - at < 4)
        return false;
    value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[at + static_cast<size_t>(i)];
    at += 4;
    return true;
}

// Reads every value of the key in `directory`. A key without a values file
// has no values; a missing directory means the key was deleted.
LONG loadValues(const std::string& directory, std::vector<Value>& values)
{
    values.clear();
    const int fd = ::open((directory + kValuesFile).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        if (errno != ENOENT)
            return statusFromErrno(errno, ERROR_CANTREAD);
        return isDirectory(directory) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    }
    struct stat info{};
    LONG status = ERROR_SUCCESS;
    std::vector<BYTE> bytes;
    if (::fstat(fd, &info) != 0)
        status = ERROR_CANTREAD;
    else if (info.st_size > kMaxValuesFileSize)
        status = ERROR_BADDB;
    else
    {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size())
        {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        if (done != bytes.size())
            status = ERROR_CANTREAD;
        else if (!decodeValues(bytes, values))
            status = ERROR_BADDB;
    }
    ::close(fd);
    return status;
}

bool writeAll(int fd, const std::vector<BYTE>& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// Puts `bytes` in place of the key's values file: a temporary file beside it
// is written and flushed, then renamed over it.
LONG replaceValuesFile(const std::string& directory, const std::vector<BYTE>& bytes)
{
    std::string temporary = directory + kValuesFile + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return statusFromErrno(errno, ERROR_CANTWRITE);
    bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written)
    {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), (directory + kValuesFile).c_str()) != 0)
    {
        written = false;
        error = errno;
    }
    if (!written)
    {
        ::unlink(temporary.c_str());
        return statusFromErrno(error, ERROR_CANTWRITE);
    }
    return ERROR_SUCCESS;
}

std::string configHome()
{
    // Only absolute locations count, as the base-directory convention asks.
    const char* configured = std::getenv("XDG_CONFIG_HOME");
    if (configured && configured[0] == '/')
        return configured;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config";
    struct passwd entry{};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return std::string(found->pw_dir) + "/.config";
    return {};
}
} // namespace

std::string rootDirectory(HKEY root)
{
    const char* rootName = root == HKEY_LOCAL_MACHINE  ? "HKEY_LOCAL_MACHINE"
                           : root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER"
                                                       : nullptr;
    const std::string home = rootName ? configHome() : std::string();
    return home.empty() ? home : home + "/corvanta/registry/" + rootName;
}

LONG makeDirectories(const std::string& path)
{
    for (size_t cut = path.find('/', 1);; cut = path.find('/', cut + 1))
    {
        const std::string part = path.substr(0, cut);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return statusFromErrno(errno, ERROR_PATH_NOT_FOUND);
        if (cut == std::string::npos)
            break;
    }
    return isDirectory(path) ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
}

LONG walkKeyPath(std::string& directory, const char* path, bool create, bool& created)
{
    created = false;
    if (!path || !*path)
        return ERROR_SUCCESS;
    if (path[0] == '\\')
        return ERROR_BAD_PATHNAME;
    std::string_view rest(path);
    while (!rest.empty())
    {
        const size_t cut = rest.find('\\');
        const std::string_view name = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        if (name.empty())
            return ERROR_BAD_PATHNAME;
        if (name.size() > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        std::string entry;
        LONG status = findKey(directory, name, entry);
        created = false;
        if (status == ERROR_FILE_NOT_FOUND && create)
        {
            if (::mkdir((directory + "/" + entry).c_str(), 0700) == 0)
            {
                created = true;
                status = ERROR_SUCCESS;
            }
            else if (errno == EEXIST) // made by someone else meanwhile
                status = findKey(directory, name, entry) == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_CANTWRITE;
            else
                status = statusFromErrno(errno, ERROR_CANTWRITE);
        }
        if (status != ERROR_SUCCESS)
            return status;
        directory += "/";
        directory += entry;
    }
    return ERROR_SUCCESS;
}

LONG readValue(const std::string& directory, const char* name, Value& value)
{
    std::vector<Value> values;
    const LONG status = loadValues(directory, values);
    if (status != ERROR_SUCCESS)
        return status;
    const std::string_view wanted = name ? name : "";
    for (Value& candidate : values)
        if (equalNames(candidate.name, wanted))
        {
            value = std::move(candidate);
            return ERROR_SUCCESS;
        }
    return ERROR_FILE_NOT_FOUND;
}

LONG writeValue(const std::string& directory, const Value& value)
{
    const int lock = ::open((directory + kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0)
        return errno == ENOENT ? ERROR_KEY_DELETED : statusFromErrno(errno, ERROR_CANTWRITE);
    while (::flock(lock, LOCK_EX) != 0 && errno == EINTR)
    {
    }
    std::vector<Value> values;
    LONG status = loadValues(directory, values);
    // A damaged set would make every later write fail too: start it afresh.
    if (status == ERROR_BADDB)
    {
        values.clear();
        status = ERROR_SUCCESS;
    }
    if (status == ERROR_SUCCESS)
    {
        bool replaced = false;
        for (Value& existing : values)
            if (equalNames(existing.name, value.name))
            {
                existing.type = value.type;
                existing.data = value.data;
                replaced = true;
                break;
            }
        if (!replaced)
            values.push_back(value);
        status = replaceValuesFile(directory, encodeValues(values));
    }
    ::close(lock); // releases the lock
    return status;
}

std::vector<BYTE> encodeValues(const std::vector<Value>& values)
{
    std::vector<BYTE> bytes(std::begin(kMagic), std::end(kMagic));
    putU32(bytes, kFormatVersion);
    putU32(bytes, static_cast<uint32_t>(values.size()));
    for (const Value& value : values)
    {
        putU32(bytes, static_cast<uint32_t>(value.name.size()));
        bytes.insert(bytes.end(), value.name.begin(), value.name.end());
        putU32(bytes, value.type);
        putU32(bytes, static_cast<uint32_t>(value.data.size()));
        bytes.insert(bytes.end(), value.data.begin(), value.data.end());
    }
    return bytes;
}

bool decodeValues(const std::vector<BYTE>& bytes, std::vector<Value>& values)
{
    values.clear();
    if (bytes.size() < sizeof(kMagic) || std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0)
        return false;
    size_t at = sizeof(kMagic);
    uint32_t version = 0;
    uint32_t count = 0;
    if (!getU32(bytes, at, version) || version != kFormatVersion || !getU32(bytes, at, count))
        return false;
    for (uint32_t i = 0; i < count; ++i)
    {
        Value value;
        uint32_t nameLength = 0;
        uint32_t dataLength = 0;
        if (!getU32(bytes, at, nameLength) || nameLength > kMaxValueNameLength || bytes.size() - at < nameLength)
            return false;
        value.name.assign(reinterpret_cast<const char*>(bytes.data() + at), nameLength);
        at += nameLength;
        if (!getU32(bytes, at, value.type) || !getU32(bytes, at, dataLength) || bytes.size() - at < dataLength)
            return false;
        value.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + dataLength));
        at += dataLength;
        values.push_back(std::move(value));
    }
    return at == bytes.size();
}

} // namespace registry_store
