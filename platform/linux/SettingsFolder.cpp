#include "SettingsLocation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

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
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return std::string(found->pw_dir) + "/.config";
    return {};
}

std::string settingsFolder()
{
    const std::string home = configHome();
    return home.empty() ? home : home + "/corvanta";
}

int makeFolders(const std::string& folder)
{
    if (folder.empty())
        return ENOENT;
    for (size_t cut = folder.find('/', 1);; cut = folder.find('/', cut + 1))
    {
        if (::mkdir(folder.substr(0, cut).c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (cut == std::string::npos)
            break;
    }
    struct stat info{};
    if (::stat(folder.c_str(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}
