// The preset files' dialogs on Windows: GetOpenFileNameA / GetSaveFileNameA
// owned by the editor's window, and MessageBoxA.
#pragma once

#include "FileChooser.h"

class Win32FileChooser final : public CFileChooser
{
public:
    // The request's title, filters, filter index, default extension, options,
    // initial directory and owner window; its file name is offered in a
    // buffer of 260 bytes, which limits the path the user can choose.
    bool choose(const FileChooserRequest& request, std::string& path) override;
};

class Win32MessageDisplay final : public CMessageDisplay
{
public:
    // An OK box with the error icon, owned by no window.
    void showError(const char* caption, const char* text) override;
};
