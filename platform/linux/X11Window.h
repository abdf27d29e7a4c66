// The frame's window on X11: a child of the host's window (the parent given
// to effEditOpen is an X11 Window id), of the frame's size. It has its own
// display connection, shows the frame's pixel buffer with XPutImage, and
// turns X events into the frame's platform input calls. Events are read
// only when the frame asks (host idle, mouse-tracking loops), on the
// editor's thread.
#pragma once

#include "PlatformWindow.h"

#include <memory>

class CFrame;

std::unique_ptr<PlatformWindow> createX11Window(CFrame& frame, void* parent);
// The level the X server's Xft.dpi resource asks for (Zoom.h; none: 100 %).
int x11ScreenZoom(void* parent);
