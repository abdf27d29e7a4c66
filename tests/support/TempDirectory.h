// Temporary directories for tests, and a per-user configuration home that
// points the registry store at one of them for the life of the object.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class TempDirectory
{
public:
    TempDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvanta-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path = pattern;
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
    // Where the store keeps a key of the given root, e.g. "HKEY_LOCAL_MACHINE".
    std::string keyDirectory(const std::string& root, const std::string& relative) const
    {
        return directory.str() + "/corvanta/registry/" + root + "/" + relative;
    }

private:
    TempDirectory directory;
    std::string saved;
    bool hadPrevious = false;
};
