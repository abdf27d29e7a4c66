// The system's dialogs for the preset and bank files: a file chooser and
// error messages, each belonging to a window (the editor frame's while the
// editor is open). Defined by the platform layer the module is built with.
//
// Threads: the editor's thread; both block until the user answers.
#pragma once

#include "FileChooser.h"

#include <functional>
#include <memory>

// The window system's handle of the window a dialog belongs to (an HWND),
// asked each time a dialog opens; null for none.
using DialogOwner = std::function<void*()>;

std::unique_ptr<CFileChooser> createPlatformFileChooser(DialogOwner owner);
std::unique_ptr<CMessageDisplay> createPlatformMessageDisplay(DialogOwner owner);
