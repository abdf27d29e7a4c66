// The files behind the Linux registry calls. A key is a directory; its values
// live in the file `.values` inside it, which is only ever replaced whole
// (written to a temporary file, then renamed over it), so a reader sees the
// old or the new set, never a torn one. Writers of one key take an exclusive
// lock on its `.lock` file, so values written at the same time by two
// processes or threads are all kept.
//
// Key names are stored percent-encoded where the file system needs it ('/',
// '%', control characters, a leading '.'), so no key directory can be taken
// for one of the dot-files above, and are matched without regard to ASCII case
// as the registry does.
#pragma once

#include "Registry.h"

#include <string>
#include <vector>

namespace registry_store
{

struct Value
{
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// Longest key name (one path element) and value name the registry accepts.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;

// The directory of a predefined root key in the per-user store, or an empty
// text when the root is unknown or no home directory can be found.
std::string rootDirectory(HKEY root);

// Makes the absolute directory `path` and any missing directory above it.
LONG makeDirectories(const std::string& path);

// Walks the backslash-separated key path below `directory`. With `create`,
// makes missing keys and reports in `created` whether the last one was new.
// On success `directory` names the key's directory.
LONG walkKeyPath(std::string& directory, const char* path, bool create, bool& created);

// Reads the value called `name` of the key in `directory`.
LONG readValue(const std::string& directory, const char* name, Value& value);

// Sets or replaces one value of the key in `directory`.
LONG writeValue(const std::string& directory, const Value& value);

// The bytes of a values file, and their reading back (false when malformed).
std::vector<BYTE> encodeValues(const std::vector<Value>& values);
bool decodeValues(const std::vector<BYTE>& bytes, std::vector<Value>& values);

} // namespace registry_store
