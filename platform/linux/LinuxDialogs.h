// The preset bar's file chooser and error messages on Linux, shown by the
// desktop's dialog programs run as child processes: zenity or kdialog
// (kdialog first on a KDE desktop), and xmessage for messages. Without any of
// them, or without a display, messages go to the standard error stream, and
// a chooser request tells the user that no chooser is installed.
//
// Threads: the editor's thread; each call blocks until the dialog is closed.
#pragma once

#include "FileChooser.h"

#include <memory>
#include <string>
#include <vector>

enum class DialogProgram
{
    zenity,
    kdialog,
};

// The command-line arguments of the chooser for a request.
std::vector<std::string> chooserArguments(DialogProgram program, const FileChooserRequest& request);

class LinuxMessageDisplay final : public CMessageDisplay
{
public:
    void showError(const char* caption, const char* text) override;
};

class LinuxFileChooser final : public CFileChooser
{
public:
    // `messages` tells the user when no chooser can be shown.
    explicit LinuxFileChooser(std::unique_ptr<CMessageDisplay> messages);

    bool choose(const FileChooserRequest& request, std::string& path) override;

    static constexpr const char* kNoChooserText =
        "No file chooser is installed. Install zenity or kdialog to load and save presets and banks.";
    static constexpr const char* kNoDisplayText = "The file chooser needs a display, and none is set (DISPLAY).";

private:
    // Asks whether an existing file may be replaced.
    bool confirmReplace(DialogProgram program, const std::string& programPath, const FileChooserRequest& request,
                        const std::string& path);

    std::unique_ptr<CMessageDisplay> messages;
};
