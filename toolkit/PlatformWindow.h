// The frame's window on the host's window system, implemented in platform/.
// The toolkit only draws into its pixel buffer and hands the window the
// parts that changed; the window turns the system's input events into calls
// of the frame's platform* operations.
#pragma once

#include "CGraphics.h"

#include <memory>

class CFrame;
class PixelBuffer;

class PlatformWindow
{
public:
    virtual ~PlatformWindow() = default;

    // Handles pending window-system events up to and including the first
    // input event (mouse, wheel, key), which it delivers to the frame. With
    // nothing pending it waits up to timeoutMs for an event. Answers whether
    // an input event was delivered.
    virtual bool pumpEvent(int timeoutMs) = 0;
    // Shows the given area of the frame's pixel buffer.
    virtual void present(const PixelBuffer& pixels, const CRect& area) = 0;
    // Asks for key events to come to this window (a text field is edited).
    virtual void takeKeyboardFocus() {}
    // The window system's handle of the window (an X11 Window, an HWND).
    virtual void* getHandle() const = 0;
};

// Creates the window for `frame` inside the host's `parent` window; null when
// it cannot. Installed by the platform layer (installPlatformWindowBackend).
using PlatformWindowFactory = std::unique_ptr<PlatformWindow> (*)(CFrame& frame, void* parent);
void setPlatformWindowFactory(PlatformWindowFactory factory);
PlatformWindowFactory getPlatformWindowFactory();

// The zoom level (Zoom.h) the screen asks for: the screen of the host's
// `parent` window, or with none the system's. Installed by the platform layer
// with the window factory; without one every screen asks for 100 %.
using ScreenZoomQuery = int (*)(void* parent);
void setScreenZoomQuery(ScreenZoomQuery query);
int screenZoom(void* parent);
