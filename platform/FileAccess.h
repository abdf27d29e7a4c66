// Reading and replacing the small files the effect keeps (preset and bank
// files, memo slots) so that neither a special file nor a failed write can
// hurt: a read opens only regular files and never waits on a pipe or a
// device; a replacement is written beside the file and renamed over it only
// once every byte is on disk, so the old file stays whole when anything fails.
//
// Threads: any thread; calls share no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FileOpening
{
    ok,
    cannotOpen, // missing, no rights, ...: the system's error number says which
    notRegular, // a pipe, a socket, a device
    folder
};

// "is not a regular file" and "is a folder", to follow the file's name; null
// for ok and cannotOpen.
inline const char* fileOpeningText(FileOpening opening)
{
    return opening == FileOpening::notRegular ? "is not a regular file"
           : opening == FileOpening::folder   ? "is a folder"
                                              : nullptr;
}

// Reads at most `wanted` bytes from the start of the file (what a format
// needs is at the start; a large file chosen by mistake is not read whole).
// With cannotOpen, `systemError` (if given) gets the error number (errno).
FileOpening readFileStart(const std::string& path, size_t wanted, std::vector<uint8_t>& bytes,
                          int* systemError = nullptr);

// Puts `bytes` in place of the file at `path`, or creates it: a temporary
// file in the same folder, every write checked, flushed to disk and closed,
// then renamed over the target. On failure the temporary is removed, any old
// file is left byte for byte, and `systemError` (if given) gets the error
// number (errno on Linux, the system's error code on Windows).
bool replaceFile(const std::string& path, const uint8_t* bytes, size_t size, int* systemError = nullptr);

#if !defined(_WIN32)
// The temporaries replaceFile makes for the file called `name`: the name with
// a leading dot, a dot and six characters (".memo-a.orv.x7Gk2q").
std::string temporaryPrefix(const std::string& name);

// Removes the files in `folder` named `prefix` and six more characters that
// were last written more than `minimumAgeSeconds` ago: temporaries left by a
// writer that was killed. A writer at work touches its temporary within
// milliseconds, so an old one belongs to nobody. Returns how many went.
int removeStaleTemporaries(const std::string& folder, const std::string& prefix, int minimumAgeSeconds = 60);
#endif
