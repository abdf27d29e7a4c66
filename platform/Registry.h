// The registry calls the memo slots are kept with, in the ANSI form of the
// Windows registry API. On Windows these are the system's own functions. On
// other systems this header declares the same names, types and codes, and
// platform/linux/Registry.cpp keeps keys as directories in a per-user store:
// $XDG_CONFIG_HOME/corvanta/registry/<root>/<key path>/, the values of a key
// in one file, `.values`, replaced atomically on every write.
//
// Include this header only where registry calls are made: on Windows it
// brings in <windows.h>, elsewhere it declares DWORD, LONG and friends in
// the global namespace as Windows does.
//
// Threads: every call may be made from any thread; handles are not shared
// between threads by the callers here.
#pragma once

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#else

#include <cstdint>

using BYTE = uint8_t;
using DWORD = uint32_t;
using LONG = int32_t;
using LSTATUS = LONG;
using REGSAM = DWORD;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPCSTR = const char*;
using LPSTR = char*;

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;

// Never looked at: keys of this store carry no security descriptors.
struct _SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = _SECURITY_ATTRIBUTES*;

// Predefined root keys, with the handle values Windows gives them.
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));

// Access rights; only the set-value, query-value and create-subkey bits are enforced.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Status codes, with their Windows numbers.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_PATH_NOT_FOUND = 3;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_DISK_FULL = 112;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NOACCESS = 998;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_KEY_DELETED = 1018;

// Creates the key and every missing key above it, or opens it if it exists.
LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                        LPDWORD lpdwDisposition);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
// Writes a named value (null or "" names the key's default value).
LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData);
// Reads a named value. With lpData null only the type and size are given;
// with a buffer shorter than the data, ERROR_MORE_DATA and the size needed.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData);
LSTATUS RegCloseKey(HKEY hKey);

#endif

// The five calls as a table, so that a caller can be given other ones (a
// test's registry that refuses a root, for example).
struct RegistryCalls
{
    decltype(&RegCreateKeyExA) createKey;
    decltype(&RegOpenKeyExA) openKey;
    decltype(&RegSetValueExA) setValue;
    decltype(&RegQueryValueExA) queryValue;
    decltype(&RegCloseKey) closeKey;
};

// The platform's registry.
inline const RegistryCalls& platformRegistry()
{
    static const RegistryCalls calls{&RegCreateKeyExA, &RegOpenKeyExA, &RegSetValueExA, &RegQueryValueExA,
                                     &RegCloseKey};
    return calls;
}
