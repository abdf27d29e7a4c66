// Installs the window backend of the platform the module is built for, so
// that a frame given the host's parent window opens its own window in it.
// The plug-in's editor factory calls this before the first frame is made.
#pragma once

void installPlatformWindowBackend();
