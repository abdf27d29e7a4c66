// The preset files' dialogs on Windows: GetOpenFileNameA / GetSaveFileNameA
// and MessageBoxA, owned by the editor frame's window when there is one.
#pragma once

#include "../PlatformDialogs.h"

class Win32FileChooser final : public CFileChooser
{
public:
    explicit Win32FileChooser(DialogOwner owner) : owner(std::move(owner)) {}
    // The request's title, filters, filter index, default extension, options
    // and initial directory; its file name is offered in a buffer of 260
    // bytes, which limits the path the user can choose.
    bool choose(const FileChooserRequest& request, std::string& path) override;

private:
    DialogOwner owner;
};

class Win32MessageDisplay final : public CMessageDisplay
{
public:
    explicit Win32MessageDisplay(DialogOwner owner) : owner(std::move(owner)) {}
    // An OK box with the error icon.
    void showError(const char* caption, const char* text) override;

private:
    DialogOwner owner;
};
