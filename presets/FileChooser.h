// What the preset and bank file operations need of the platform: a file
// chooser and a way to tell the user about a bad file. The editor supplies
// both (the system's dialogs and message boxes); tests supply their own.
//
// Threads: called on the editor's thread; both calls may block until the
// user answers.
#pragma once

#include <cstdint>
#include <string>

struct FileFilter
{
    const char* description; // "ORV Banks"
    const char* pattern;     // "*.orb"
};

// Chooser options, with the values of the Windows dialog's OFN_ flags so a
// Windows chooser can pass them through.
enum FileChooserOption : uint32_t
{
    kChooserOverwritePrompt = 0x00000002,
    kChooserHideReadOnly = 0x00000004,
    kChooserPathMustExist = 0x00000800,
    kChooserFileMustExist = 0x00001000,
};

struct FileChooserRequest
{
    bool save = false;             // a save dialog rather than an open dialog
    const char* title = "";        // "Select bank to load..."
    FileFilter filters[2] = {};    // "All Files" first
    int32_t filterIndex = 1;       // preselected filter, counted from 1
    const char* defaultExtension = ""; // without the dot: "orb"
    uint32_t options = 0;          // FileChooserOption bits
    const char* initialDirectory = "";
    const char* fileName = "";     // offered as the default name
    void* ownerWindow = nullptr;   // the editor's window (X11 Window, HWND), or null
};

class CFileChooser
{
public:
    virtual ~CFileChooser() = default;
    // Shows the chooser. On confirmation returns true and the chosen file's
    // full path (directory and name); false when the user cancelled.
    virtual bool choose(const FileChooserRequest& request, std::string& path) = 0;
};

class CMessageDisplay
{
public:
    virtual ~CMessageDisplay() = default;
    // A modal error message with the error icon; returns when dismissed.
    virtual void showError(const char* caption, const char* text) = 0;
};
