// What the plug-in's editor needs of the platform it is built for: the
// window backend (a frame given the host's parent window opens its own
// window in it), and the system's file chooser and error messages for the
// preset bar's file buttons. The plug-in's editor factory calls these once
// per editor, before the first frame is made.
#pragma once

#include "FileChooser.h"

#include <memory>

void installPlatformWindowBackend();
std::unique_ptr<CFileChooser> createPlatformFileChooser();
std::unique_ptr<CMessageDisplay> createPlatformMessageDisplay();
