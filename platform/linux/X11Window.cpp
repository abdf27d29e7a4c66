#include "X11Window.h"

#include "../PlatformBackend.h"
#include "CFrame.h"
#include "draw/PixelBuffer.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <poll.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{
constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | EnterWindowMask | LeaveWindowMask | StructureNotifyMask;

long modifiersOf(unsigned int state)
{
    long result = 0;
    if (state & ShiftMask)
        result |= kShift;
    if (state & ControlMask)
        result |= kControl;
    if (state & Mod1Mask)
        result |= kAlt;
    return result;
}

long buttonsOf(unsigned int state)
{
    long result = modifiersOf(state);
    if (state & Button1Mask)
        result |= kLButton;
    if (state & Button2Mask)
        result |= kMButton;
    if (state & Button3Mask)
        result |= kRButton;
    return result;
}

long buttonBit(unsigned int button)
{
    switch (button)
    {
    case Button1:
        return kLButton;
    case Button2:
        return kMButton;
    case Button3:
        return kRButton;
    default:
        return 0;
    }
}

bool translateKey(XKeyEvent& event, VstKeyCode& key)
{
    char text[8] = {};
    KeySym symbol = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &symbol, nullptr);
    key = VstKeyCode{};
    key.modifier = static_cast<unsigned char>(((event.state & ShiftMask) ? MODIFIER_SHIFT : 0) |
                                              ((event.state & Mod1Mask) ? MODIFIER_ALTERNATE : 0) |
                                              ((event.state & ControlMask) ? MODIFIER_CONTROL : 0));
    switch (symbol)
    {
    case XK_BackSpace:
        key.virt = VKEY_BACK;
        return true;
    case XK_Tab:
        key.virt = VKEY_TAB;
        return true;
    case XK_Return:
        key.virt = VKEY_RETURN;
        return true;
    case XK_KP_Enter:
        key.virt = VKEY_ENTER;
        return true;
    case XK_Escape:
        key.virt = VKEY_ESCAPE;
        return true;
    case XK_Delete:
    case XK_KP_Delete:
        key.virt = VKEY_DELETE;
        return true;
    case XK_Left:
        key.virt = VKEY_LEFT;
        return true;
    case XK_Right:
        key.virt = VKEY_RIGHT;
        return true;
    case XK_Up:
        key.virt = VKEY_UP;
        return true;
    case XK_Down:
        key.virt = VKEY_DOWN;
        return true;
    case XK_Home:
        key.virt = VKEY_HOME;
        return true;
    case XK_End:
        key.virt = VKEY_END;
        return true;
    case XK_space:
        key.virt = VKEY_SPACE;
        key.character = ' ';
        return true;
    default:
        break;
    }
    if (length == 1 && static_cast<unsigned char>(text[0]) >= 32 && text[0] != 127)
    {
        key.character = static_cast<unsigned char>(text[0]);
        return true;
    }
    return false;
}

class X11Window final : public PlatformWindow
{
public:
    X11Window(CFrame& owner, Display* connection, ::Window parent, const XWindowAttributes& parentAttributes)
        : frame(owner), display(connection)
    {
        const CRect& size = frame.getViewSize();
        // The child shares the parent's visual, so images use its format.
        visual = parentAttributes.visual;
        depth = parentAttributes.depth;
        XSetWindowAttributes attributes{};
        attributes.event_mask = kEventMask;
        attributes.background_pixmap = 0; // None: no background, the frame paints
        window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(size.width()),
                               static_cast<unsigned>(size.height()), 0, depth, InputOutput, visual,
                               CWEventMask | CWBackPixmap, &attributes);
        gc = XCreateGC(display, window, 0, nullptr);
        directPixels = visual->c_class == TrueColor && (depth == 24 || depth == 32) && visual->red_mask == 0xFF0000 &&
                       visual->green_mask == 0x00FF00 && visual->blue_mask == 0x0000FF &&
                       ImageByteOrder(display) == LSBFirst;
        XMapWindow(display, window);
        XFlush(display);
    }

    ~X11Window() override
    {
        if (alive)
            XDestroyWindow(display, window);
        XFreeGC(display, gc);
        XCloseDisplay(display);
    }

    bool pumpEvent(int timeoutMs) override
    {
        for (int pass = 0; pass < 2; ++pass)
        {
            while (XPending(display) > 0)
            {
                XEvent event;
                XNextEvent(display, &event);
                if (handle(event))
                    return true;
            }
            if (pass == 0 && timeoutMs > 0)
            {
                pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
                if (poll(&descriptor, 1, timeoutMs) <= 0)
                    return releaseIfLost();
            }
        }
        return false;
    }

    void present(const PixelBuffer& pixels, const CRect& area) override
    {
        CRect part = area;
        part.bound(pixels.bounds());
        if (!alive || part.isEmpty())
            return;
        if (directPixels)
        {
            XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                         const_cast<char*>(reinterpret_cast<const char*>(pixels.data())),
                                         static_cast<unsigned>(pixels.width()), static_cast<unsigned>(pixels.height()),
                                         32, pixels.width() * 4);
            if (image)
            {
                XPutImage(display, window, gc, image, static_cast<int>(part.left), static_cast<int>(part.top),
                          static_cast<int>(part.left), static_cast<int>(part.top), static_cast<unsigned>(part.width()),
                          static_cast<unsigned>(part.height()));
                image->data = nullptr; // the frame owns the pixels
                XDestroyImage(image);
            }
        }
        else
            presentConverted(pixels, part);
        XFlush(display);
    }

    void takeKeyboardFocus() override
    {
        XWindowAttributes attributes{};
        if (alive && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }

    void* getHandle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

private:
    // Any visual: one pixel at a time through Xlib's conversion.
    void presentConverted(const PixelBuffer& pixels, const CRect& part)
    {
        XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                     static_cast<unsigned>(part.width()), static_cast<unsigned>(part.height()), 32, 0);
        if (!image)
            return;
        std::vector<char> data(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(part.height()));
        image->data = data.data();
        for (long y = 0; y < part.height(); ++y)
            for (long x = 0; x < part.width(); ++x)
            {
                const uint32_t pixel = pixels.at(static_cast<int>(part.left + x), static_cast<int>(part.top + y));
                XColor color{};
                color.red = static_cast<unsigned short>(((pixel >> 16) & 0xFF) * 257);
                color.green = static_cast<unsigned short>(((pixel >> 8) & 0xFF) * 257);
                color.blue = static_cast<unsigned short>((pixel & 0xFF) * 257);
                const unsigned long value =
                    (visual->red_mask & (visual->red_mask * color.red / 65535)) |
                    (visual->green_mask & (visual->green_mask * color.green / 65535)) |
                    (visual->blue_mask & (visual->blue_mask * color.blue / 65535));
                XPutPixel(image, static_cast<int>(x), static_cast<int>(y), value);
            }
        XPutImage(display, window, gc, image, 0, 0, static_cast<int>(part.left), static_cast<int>(part.top),
                  static_cast<unsigned>(part.width()), static_cast<unsigned>(part.height()));
        image->data = nullptr;
        XDestroyImage(image);
    }

    // A release can get lost (the pointer grab broke): when no event came,
    // trust the server's view of the buttons.
    bool releaseIfLost()
    {
        if (!alive || !(heldButtons & (kLButton | kMButton | kRButton)))
            return false;
        ::Window root = 0;
        ::Window child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(display, window, &root, &child, &rootX, &rootY, &x, &y, &mask))
            mask = 0;
        if (mask & (Button1Mask | Button2Mask | Button3Mask))
            return false;
        heldButtons = modifiersOf(mask);
        frame.platformMouseUp(CPoint(x, y), heldButtons);
        return true;
    }

    // Answers whether the event was an input event handed to the frame.
    bool handle(XEvent& event)
    {
        if (event.xany.window != window)
            return false;
        switch (event.type)
        {
        case ButtonPress:
        {
            const CPoint where(event.xbutton.x, event.xbutton.y);
            if (event.xbutton.button == Button4 || event.xbutton.button == Button5)
            {
                frame.platformWheel(where, event.xbutton.button == Button4 ? 1.0f : -1.0f,
                                    modifiersOf(event.xbutton.state));
                return true;
            }
            if (!buttonBit(event.xbutton.button))
                return false;
            heldButtons = buttonsOf(event.xbutton.state) | buttonBit(event.xbutton.button);
            frame.platformMouseDown(where, heldButtons);
            return true;
        }
        case ButtonRelease:
            if (!buttonBit(event.xbutton.button))
                return false;
            heldButtons = buttonsOf(event.xbutton.state) & ~buttonBit(event.xbutton.button);
            frame.platformMouseUp(CPoint(event.xbutton.x, event.xbutton.y), heldButtons);
            return true;
        case MotionNotify:
            heldButtons = buttonsOf(event.xmotion.state);
            frame.platformMouseMoved(CPoint(event.xmotion.x, event.xmotion.y), heldButtons);
            return true;
        case EnterNotify:
            frame.platformMouseMoved(CPoint(event.xcrossing.x, event.xcrossing.y), buttonsOf(event.xcrossing.state));
            return true;
        case LeaveNotify:
            frame.platformPointerLeft();
            return true;
        case KeyPress:
        case KeyRelease:
        {
            VstKeyCode key{};
            if (!translateKey(event.xkey, key))
                return false;
            frame.platformKey(key, event.type == KeyPress);
            return true;
        }
        case Expose:
            frame.platformExpose(CRect(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                       event.xexpose.y + event.xexpose.height));
            return false;
        case DestroyNotify:
            alive = false;
            heldButtons = 0;
            frame.platformMouseUp(CPoint(-1, -1), 0);
            return false;
        default:
            return false;
        }
    }

    CFrame& frame;
    Display* display;
    Visual* visual = nullptr;
    int depth = 24;
    ::Window window = 0;
    GC gc = nullptr;
    bool directPixels = false;
    bool alive = true;
    long heldButtons = 0;
};
} // namespace

namespace
{
bool parentRejected = false;

int noteError(Display*, XErrorEvent*)
{
    parentRejected = true;
    return 0;
}

// Asks for the parent's attributes without letting a bad window id reach
// Xlib's default error handler, which would end the host's process.
bool queryParent(Display* display, ::Window parent, XWindowAttributes& attributes)
{
    XSync(display, False);
    parentRejected = false;
    const auto previous = XSetErrorHandler(noteError);
    const Status status = XGetWindowAttributes(display, parent, &attributes);
    XSync(display, False);
    XSetErrorHandler(previous);
    return status != 0 && !parentRejected;
}
} // namespace

std::unique_ptr<PlatformWindow> createX11Window(CFrame& frame, void* parent)
{
    if (!parent)
        return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    const auto parentWindow = static_cast<::Window>(reinterpret_cast<uintptr_t>(parent));
    XWindowAttributes attributes{};
    if (!queryParent(display, parentWindow, attributes))
    {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<X11Window>(frame, display, parentWindow, attributes);
}

int x11ScreenZoom(void*)
{
    // Desktops publish their scale as the Xft.dpi resource of the server's
    // resource database; the host's window is on the same server.
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return kUnzoomed;
    int dpi = 0;
    if (const char* resources = XResourceManagerString(display))
    {
        XrmInitialize();
        if (XrmDatabase database = XrmGetStringDatabase(resources))
        {
            char* type = nullptr;
            XrmValue value{};
            if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
                dpi = static_cast<int>(std::strtod(value.addr, nullptr));
            XrmDestroyDatabase(database);
        }
    }
    XCloseDisplay(display);
    return zoomForDpi(dpi);
}

void installPlatformWindowBackend()
{
    setPlatformWindowFactory(createX11Window);
    setScreenZoomQuery(x11ScreenZoom);
}
