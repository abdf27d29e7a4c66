#include "Win32Dialogs.h"

#include "PlatformBackend.h"
#include "Win32.h"

#include <commdlg.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace
{
// The record as it was before Windows 2000 added its last three fields: every
// version of the dialog accepts it.
constexpr DWORD kOpenFileNameSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 8 || kOpenFileNameSize == 136);

// The request's options are the dialog's own flags.
static_assert(kChooserOverwritePrompt == OFN_OVERWRITEPROMPT && kChooserHideReadOnly == OFN_HIDEREADONLY &&
              kChooserPathMustExist == OFN_PATHMUSTEXIST && kChooserFileMustExist == OFN_FILEMUSTEXIST);

HWND ownerWindow(void* handle)
{
    const auto window = static_cast<HWND>(handle);
    return window && IsWindow(window) ? window : nullptr;
}

// "description\0pattern\0" per filter, and a final "\0".
std::string filterList(const FileChooserRequest& request)
{
    std::string list;
    for (const FileFilter& filter : request.filters)
    {
        if (!filter.description || !filter.pattern || !*filter.pattern)
            continue;
        list.append(filter.description).push_back('\0');
        list.append(filter.pattern).push_back('\0');
    }
    list.push_back('\0');
    return list;
}

const char* orNull(const char* text)
{
    return text && *text ? text : nullptr;
}
} // namespace

bool Win32FileChooser::choose(const FileChooserRequest& request, std::string& path)
{
    const std::string filters = filterList(request);
    char file[MAX_PATH] = {};
    if (request.fileName)
        std::strncpy(file, request.fileName, sizeof file - 1);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = kOpenFileNameSize;
    dialog.hwndOwner = ownerWindow(request.ownerWindow);
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = request.filterIndex > 0 ? static_cast<DWORD>(request.filterIndex) : 0;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrInitialDir = orNull(request.initialDirectory);
    dialog.lpstrTitle = orNull(request.title);
    dialog.lpstrDefExt = orNull(request.defaultExtension);
    // The files are opened by their full path: the host's current directory
    // stays where the host put it.
    dialog.Flags = request.options | OFN_NOCHANGEDIR;

    const BOOL confirmed = request.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!confirmed || !file[0])
        return false;
    path = file;
    return true;
}

void Win32MessageDisplay::showError(const char* caption, const char* text)
{
    MessageBoxA(nullptr, text ? text : "", caption ? caption : "", MB_OK | MB_ICONERROR);
}

std::unique_ptr<CFileChooser> createPlatformFileChooser()
{
    return std::make_unique<Win32FileChooser>();
}

std::unique_ptr<CMessageDisplay> createPlatformMessageDisplay()
{
    return std::make_unique<Win32MessageDisplay>();
}
