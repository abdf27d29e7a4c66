#include "FileAccess.h"

#include "Win32.h"

#include <cerrno>

namespace
{
// The Windows error as a C library error number, for messages made with strerror.
int errnoOf(DWORD error)
{
    switch (error)
    {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

bool writeAll(HANDLE file, const uint8_t* bytes, size_t size)
{
    size_t done = 0;
    while (done < size)
    {
        const DWORD chunk = static_cast<DWORD>(size - done > 0x10000000 ? 0x10000000 : size - done);
        DWORD put = 0;
        if (!WriteFile(file, bytes + done, chunk, &put, nullptr) || put == 0)
            return false;
        done += put;
    }
    return true;
}
} // namespace

FileOpening readFileStart(const std::string& path, size_t wanted, std::vector<uint8_t>& bytes, int* systemError)
{
    bytes.clear();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileOpening::folder;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        if (systemError)
            *systemError = errnoOf(GetLastError());
        return FileOpening::cannotOpen;
    }
    // Pipes and character devices (CON) could keep a read waiting.
    if (GetFileType(file) != FILE_TYPE_DISK)
    {
        CloseHandle(file);
        return FileOpening::notRegular;
    }
    bytes.resize(wanted);
    size_t done = 0;
    while (done < wanted)
    {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(wanted - done), &got, nullptr) || got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    CloseHandle(file);
    return FileOpening::ok;
}

bool replaceFile(const std::string& path, const uint8_t* bytes, size_t size, int* systemError)
{
    const size_t cut = path.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? std::string(".") : path.substr(0, cut + 1);
    char temporary[MAX_PATH + 1] = {};
    // Makes a new, empty file with a name no other file in the folder has.
    if (GetTempFileNameA(folder.c_str(), "orv", 0, temporary) == 0)
    {
        if (systemError)
            *systemError = static_cast<int>(GetLastError());
        return false;
    }
    const HANDLE file =
        CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool done = file != INVALID_HANDLE_VALUE && writeAll(file, bytes, size) && FlushFileBuffers(file);
    DWORD error = done ? 0 : GetLastError();
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file) && done)
    {
        done = false;
        error = GetLastError();
    }
    if (done && !MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        done = false;
        error = GetLastError();
    }
    if (!done)
    {
        DeleteFileA(temporary);
        if (systemError)
            *systemError = static_cast<int>(error);
    }
    return done;
}
