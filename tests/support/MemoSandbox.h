// A memo store of the test's own for the object's life, so that memo slots
// a test stores reach neither the real machine's settings nor a test running
// beside it. On Linux the slot files live in a configuration home of its
// own; on Windows HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER of the whole
// process (the loaded plug-in included) are redirected to fresh keys under
// the user's Software key, removed again at the end.
#pragma once

#include "TempDirectory.h"

#if defined(_WIN32)
#include "Registry.h"

#include <sddl.h>

#include <atomic>
#include <string>

class MemoSandbox
{
public:
    enum MachineRoot
    {
        writableMachineRoot,
        // A machine root whose SOFTWARE key everyone may only read, as for
        // an ordinary user on Windows: creating a key under it is denied.
        refusingMachineRoot
    };

    explicit MemoSandbox(MachineRoot machineRoot = writableMachineRoot)
    {
        static std::atomic<int> count{0};
        path = "Software\\CorvantaTests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &user, nullptr) != ERROR_SUCCESS ||
            RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &machine, nullptr) != ERROR_SUCCESS)
            return;
        if (machineRoot == refusingMachineRoot && !makeReadOnly(machine, "SOFTWARE"))
            return;
        active = RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine) == ERROR_SUCCESS &&
                 RegOverridePredefKey(HKEY_CURRENT_USER, user) == ERROR_SUCCESS;
    }

    ~MemoSandbox()
    {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (machine)
            RegCloseKey(machine);
        if (user)
            RegCloseKey(user);
        RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    }
    MemoSandbox(const MemoSandbox&) = delete;
    MemoSandbox& operator=(const MemoSandbox&) = delete;

    // False when the redirection failed: a test must not go on then.
    bool isActive() const { return active; }

private:
    static bool makeReadOnly(HKEY parent, const char* name)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        // Protected from the parent's entries; everyone reads, here and below.
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        bool done = ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;CI;KR;;;WD)", SDDL_REVISION_1,
                                                                         &descriptor, nullptr) &&
                    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        LocalFree(descriptor);
        RegCloseKey(key);
        return done;
    }

    std::string path;
    HKEY machine = nullptr;
    HKEY user = nullptr;
    bool active = false;
};

#else

class MemoSandbox
{
public:
    bool isActive() const { return !home.str().empty(); }
    // The configuration home the slot files are kept under.
    const std::string& configHome() const { return home.str(); }

private:
    ScopedConfigHome home;
};

#endif
