// Temporary directories for tests, and (on Linux) a per-user configuration
// home that points the settings folder at one of them for the object's life.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

class TempDirectory
{
public:
    TempDirectory()
    {
        std::random_device seed;
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt)
        {
            const auto candidate =
                std::filesystem::temp_directory_path() / ("corvanta-test-" + std::to_string(seed()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error))
                path = candidate.string();
        }
    }
    ~TempDirectory()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& str() const { return path; }
    std::string file(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// The names of the entries of a folder, sorted.
inline std::vector<std::string> fileNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#if !defined(_WIN32)
class ScopedConfigHome
{
public:
    ScopedConfigHome()
    {
        const char* previous = std::getenv("XDG_CONFIG_HOME");
        hadPrevious = previous != nullptr;
        if (previous)
            saved = previous;
        ::setenv("XDG_CONFIG_HOME", directory.str().c_str(), 1);
    }
    ~ScopedConfigHome()
    {
        if (hadPrevious)
            ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

    const std::string& str() const { return directory.str(); }

private:
    TempDirectory directory;
    std::string saved;
    bool hadPrevious = false;
};
#endif
