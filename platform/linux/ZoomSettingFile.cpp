#include "ZoomSetting.h"

#include "FileAccess.h"
#include "SettingsLocation.h"

#include <string>

namespace
{
constexpr const char* kFileName = "/editor-zoom";
constexpr size_t kMaxFileSize = 16;

bool isLevel(int percent)
{
    return percent == 100 || percent == 150 || percent == 200;
}
} // namespace

int loadZoomChoice()
{
    const std::string folder = settingsFolder();
    std::vector<uint8_t> bytes;
    if (folder.empty() || readFileStart(folder + kFileName, kMaxFileSize, bytes) != FileOpening::ok)
        return 0;
    int percent = 0;
    for (uint8_t byte : bytes)
    {
        if (byte == '\n')
            break;
        if (byte < '0' || byte > '9' || percent > 1000)
            return 0;
        percent = percent * 10 + (byte - '0');
    }
    return isLevel(percent) ? percent : 0;
}

bool saveZoomChoice(int percent)
{
    const std::string folder = settingsFolder();
    if (!isLevel(percent) || folder.empty() || makeFolders(folder) != 0)
        return false;
    const std::string text = std::to_string(percent) + "\n";
    return replaceFile(folder + kFileName, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}
