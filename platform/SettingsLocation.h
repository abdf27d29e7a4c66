// Where the effect keeps what outlives an instance (the memo slots, and
// other settings beside them). On Windows that is a registry key under the
// machine-wide root (or the user's own, where the machine's can't be
// written); on Linux a folder of the user's configuration home.
//
// Threads: any thread.
#pragma once

#include <string>

#if defined(_WIN32)

// "SOFTWARE\ORV-soundlab\ORVcv15"; the memo slots are its subkeys MemoA and MemoB.
inline std::string settingsKeyPath()
{
    return std::string("SOFTWARE\\ORV-soundlab\\") + "ORVcv15";
}

#else

// The user's configuration home: $XDG_CONFIG_HOME when it is an absolute
// path, else ~/.config (from $HOME, or the user database); empty when no
// home can be found.
std::string configHome();

// configHome()/corvanta, or empty.
std::string settingsFolder();

// Makes the folder and any missing folder above it (private to the user).
// Returns 0 or the error number (errno) of what failed.
int makeFolders(const std::string& folder);

#endif
