#include "FileAccess.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <atomic>
#include <random>

namespace
{
constexpr size_t kTemporarySuffixLength = 6;

FileOpening openingOf(mode_t mode)
{
    return S_ISREG(mode) ? FileOpening::ok : S_ISDIR(mode) ? FileOpening::folder : FileOpening::notRegular;
}

bool writeAll(int fd, const uint8_t* bytes, size_t size)
{
    size_t done = 0;
    while (done < size)
    {
        const ssize_t put = ::write(fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
        {
            if (put == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

// Creates a new temporary beside `path` with the mode a new file gets (the
// user's umask applies), so a saved file looks like any other the user makes.
int createTemporary(const std::string& path, std::string& temporary)
{
    const size_t cut = path.rfind('/');
    const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // Distinct per process, call and moment; O_EXCL settles any clash.
    static std::atomic<uint32_t> calls{0};
    struct timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::minstd_rand pick(static_cast<uint32_t>(now.tv_nsec) ^ (static_cast<uint32_t>(::getpid()) << 12) ^
                          (calls.fetch_add(1, std::memory_order_relaxed) * 2654435761u));
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        temporary = folder + temporaryPrefix(name);
        for (size_t i = 0; i < kTemporarySuffixLength; ++i)
            temporary += kLetters[pick() % (sizeof(kLetters) - 1)];
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}
} // namespace

FileOpening readFileStart(const std::string& path, size_t wanted, std::vector<uint8_t>& bytes, int* systemError)
{
    bytes.clear();
    // Looked at before opening: opening a pipe waits for a writer, and
    // opening some devices does something.
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0)
    {
        if (systemError)
            *systemError = errno;
        return FileOpening::cannotOpen;
    }
    if (openingOf(info.st_mode) != FileOpening::ok)
        return openingOf(info.st_mode);
    // Without waiting, and checked again on what was opened, in case the
    // name was given to something else meanwhile.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
    {
        if (systemError)
            *systemError = errno;
        return FileOpening::cannotOpen;
    }
    if (::fstat(fd, &info) != 0 || openingOf(info.st_mode) != FileOpening::ok)
    {
        ::close(fd);
        return openingOf(info.st_mode) == FileOpening::ok ? FileOpening::cannotOpen : openingOf(info.st_mode);
    }
    bytes.resize(wanted);
    size_t done = 0;
    while (done < wanted)
    {
        const ssize_t got = ::read(fd, bytes.data() + done, wanted - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    ::close(fd);
    return FileOpening::ok;
}

bool replaceFile(const std::string& path, const uint8_t* bytes, size_t size, int* systemError)
{
    std::string temporary;
    const int fd = createTemporary(path, temporary);
    if (fd < 0)
    {
        if (systemError)
            *systemError = errno;
        return false;
    }
    // An existing file keeps its permissions (a private bank stays private).
    struct stat old{};
    bool done = (::stat(path.c_str(), &old) != 0 || ::fchmod(fd, old.st_mode & 07777) == 0) &&
                writeAll(fd, bytes, size) && ::fsync(fd) == 0;
    int error = done ? 0 : errno;
    if (::close(fd) != 0 && done)
    {
        done = false;
        error = errno;
    }
    if (done && ::rename(temporary.c_str(), path.c_str()) != 0)
    {
        done = false;
        error = errno;
    }
    if (!done)
    {
        ::unlink(temporary.c_str());
        if (systemError)
            *systemError = error;
    }
    return done;
}

std::string temporaryPrefix(const std::string& name)
{
    return "." + name + ".";
}

int removeStaleTemporaries(const std::string& folder, const std::string& prefix, int minimumAgeSeconds)
{
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return 0;
    const time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(listing))
    {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kTemporarySuffixLength || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string path = folder + "/" + name;
        struct stat info{};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            now - info.st_mtime > static_cast<time_t>(minimumAgeSeconds) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}
