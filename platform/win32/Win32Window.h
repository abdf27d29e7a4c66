// The frame's window on Windows: a child of the host's window (the parent
// given to effEditOpen is an HWND), of the frame's size. It shows the frame's
// pixel buffer with SetDIBitsToDevice and turns window messages into the
// frame's platform input calls. Messages reach it through the host's message
// loop and, while a control tracks the mouse, through the frame's own pumping
// (pumpEvent), always on the thread that created the window: the editor's.
#pragma once

#include "PlatformWindow.h"

#include <memory>

class CFrame;

std::unique_ptr<PlatformWindow> createWin32Window(CFrame& frame, void* parent);
// The level the density of `parent`'s monitor asks for (Zoom.h), or with
// no window the system's; 100 % for a process that is not DPI aware.
int win32ScreenZoom(void* parent);
