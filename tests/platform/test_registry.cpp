// The Linux registry store: the Windows calls' semantics and the files behind them.
#include "Registry.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace
{
HKEY createKey(HKEY root, const char* path, DWORD* disposition = nullptr, REGSAM access = KEY_WRITE | KEY_READ)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key, disposition), ERROR_SUCCESS) << path;
    return key;
}

LONG setDword(HKEY key, const char* name, uint32_t value)
{
    return RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG getDword(HKEY key, const char* name, uint32_t& value)
{
    DWORD size = sizeof(value);
    return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
}
} // namespace

TEST(Registry, KeysAndValuesFollowTheWindowsCalls)
{
    ScopedConfigHome home;
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);

    DWORD disposition = 0;
    HKEY key = createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    const char text[] = "Basic Room";
    EXPECT_EQ(RegSetValueExA(key, "name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text)), 0);
    EXPECT_EQ(setDword(key, "param  3", 0x3F000000u), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "a closed handle is refused, not followed";

    // Key and value names match without regard to case; the existing key is opened.
    key = createKey(HKEY_LOCAL_MACHINE, "software\\VENDOR\\product", &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "NAME", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, sizeof(text));
    char small[4] = {};
    size = sizeof(small);
    EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof(text));
    char whole[32] = {};
    size = sizeof(whole);
    EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, nullptr, reinterpret_cast<BYTE*>(whole), &size), 0);
    EXPECT_STREQ(whole, text);
    uint32_t value = 0;
    EXPECT_EQ(getDword(key, "Param  3", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 0x3F000000u);
    EXPECT_EQ(getDword(key, "param  4", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(setDword(key, "param  3", 7u), ERROR_SUCCESS); // replaces, keeps one value
    EXPECT_EQ(getDword(key, "param  3", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 7u);
    RegCloseKey(key);

    // Rights of the handle are enforced.
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product", 0, KEY_QUERY_VALUE, &readOnly), 0);
    EXPECT_EQ(setDword(readOnly, "param  3", 1u), ERROR_ACCESS_DENIED);
    RegCloseKey(readOnly);
    HKEY writeOnly = createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product", nullptr, KEY_WRITE);
    EXPECT_EQ(getDword(writeOnly, "param  3", value), ERROR_ACCESS_DENIED);
    RegCloseKey(writeOnly);

    // Bad paths and handles.
    HKEY bad = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\SOFTWARE", 0, nullptr, 0, KEY_WRITE, nullptr, &bad, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A\\\\B", 0, nullptr, 0, KEY_WRITE, nullptr, &bad, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(setDword(reinterpret_cast<HKEY>(&value), "x", 1u), ERROR_INVALID_HANDLE);

    // The machine and user roots are separate.
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Vendor\\Product", 0, KEY_READ, &bad), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, OneValuesFilePerKeyInTheUsersConfigHome)
{
    ScopedConfigHome home;
    // Names a file system can't hold as they are stay keys of their own.
    HKEY key = createKey(HKEY_CURRENT_USER, "SOFTWARE\\a/b\\.values\\..\\100%");
    ASSERT_EQ(setDword(key, "v", 1u), ERROR_SUCCESS);
    RegCloseKey(key);
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\a/b\\.values\\..\\100%", 0, KEY_READ, &again), 0);
    uint32_t value = 0;
    EXPECT_EQ(getDword(again, "v", value), ERROR_SUCCESS);
    RegCloseKey(again);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\a", 0, KEY_READ, &again), ERROR_FILE_NOT_FOUND);

    key = createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor");
    for (uint32_t i = 0; i < 20; ++i)
    {
        // Appended rather than concatenated: GCC 12 at -O3 reports a false overlap (-Wrestrict) for "v" + text.
        std::string name = "v";
        name += std::to_string(i);
        setDword(key, name.c_str(), i);
    }
    RegCloseKey(key);
    const std::string directory = home.keyDirectory("HKEY_LOCAL_MACHINE", "SOFTWARE/Vendor");
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{".lock", ".values"})) << "no temporary file is left behind";

    // A damaged values file is reported, and the next write starts it afresh.
    std::ofstream(directory + "/.values", std::ios::binary | std::ios::trunc) << "CVRG\x01\0\0\0\x09";
    key = createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor");
    EXPECT_EQ(getDword(key, "v1", value), ERROR_BADDB);
    EXPECT_EQ(setDword(key, "v1", 5u), ERROR_SUCCESS);
    EXPECT_EQ(getDword(key, "v1", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 5u);
    RegCloseKey(key);
}

TEST(Registry, ConfigHomeFallsBackToHomeAndNeedsAWritablePlace)
{
    ScopedConfigHome home; // restores the variable afterwards
    TempDirectory fakeHome;
    const char* realHome = std::getenv("HOME");
    const std::string savedHome = realHome ? realHome : "";
    ::setenv("HOME", fakeHome.str().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    HKEY key = createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor");
    RegCloseKey(key);
    EXPECT_TRUE(std::filesystem::is_directory(fakeHome.str() +
                                              "/.config/corvanta/registry/HKEY_LOCAL_MACHINE/SOFTWARE/Vendor"));

    // A configuration home that is a file can't hold the store.
    std::ofstream(fakeHome.file("plain")) << "x";
    ::setenv("XDG_CONFIG_HOME", fakeHome.file("plain").c_str(), 1);
    HKEY none = nullptr;
    EXPECT_NE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, nullptr, 0, KEY_WRITE, nullptr, &none,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(none, nullptr);
    if (realHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

TEST(Registry, ConcurrentWritersKeepEveryValueAndReadersNeverSeeATornFile)
{
    ScopedConfigHome home;
    RegCloseKey(createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Race"));
    constexpr int kRounds = 60;
    std::atomic<bool> writing{true};
    std::atomic<int> readFailures{0};
    auto writer = [](const char* prefix) {
        HKEY key = createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Race");
        for (uint32_t round = 0; round < kRounds; ++round)
            for (int i = 0; i < 4; ++i)
                setDword(key, (prefix + std::to_string(i)).c_str(), round);
        RegCloseKey(key);
    };
    std::thread reader([&] {
        HKEY key = createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Race");
        uint32_t value = 0;
        while (writing)
        {
            const LONG status = getDword(key, "a0", value);
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
                ++readFailures;
        }
        RegCloseKey(key);
    });
    std::thread first(writer, "a");
    std::thread second(writer, "b");
    first.join();
    second.join();
    writing = false;
    reader.join();
    EXPECT_EQ(readFailures, 0);
    HKEY key = createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Race");
    for (const char* prefix : {"a", "b"})
        for (int i = 0; i < 4; ++i)
        {
            uint32_t value = 0;
            EXPECT_EQ(getDword(key, (prefix + std::to_string(i)).c_str(), value), ERROR_SUCCESS);
            EXPECT_EQ(value, static_cast<uint32_t>(kRounds - 1)) << prefix << i;
        }
    RegCloseKey(key);
}
