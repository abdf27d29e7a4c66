#include "Win32Window.h"

#include "../PlatformBackend.h"
#include "CFrame.h"
#include "Win32.h"
#include "draw/PixelBuffer.h"

#include <windowsx.h>

#include <cstdio>

namespace
{
constexpr long kMouseButtons = kLButton | kMButton | kRButton;
// Sent when the window's monitor changes density: to top-level windows, and
// after the parent to children of a per-monitor aware process.
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// A function of user32 that older systems lack, or null.
template <typename Function> Function user32Function(const char* name)
{
    // Through a generic function pointer: the one cast between function types that is meant.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

// The window's density (Windows 10 and later), else the system's, else the
// screen's; a process the system scales for (not DPI aware) sees 96.
UINT dpiOf(HWND window)
{
    using ForWindow = UINT(WINAPI*)(HWND);
    using ForSystem = UINT(WINAPI*)();
    UINT dpi = 0;
    if (window)
        if (auto forWindow = user32Function<ForWindow>("GetDpiForWindow"))
            dpi = forWindow(window);
    if (!dpi)
        if (auto forSystem = user32Function<ForSystem>("GetDpiForSystem"))
            dpi = forSystem();
    if (!dpi)
    {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi;
}

long modifiersOf(WPARAM state)
{
    long result = 0;
    if (state & MK_SHIFT)
        result |= kShift;
    if (state & MK_CONTROL)
        result |= kControl;
    // Mouse messages carry no Alt bit: ask the keyboard state of the message.
    if (GetKeyState(VK_MENU) < 0)
        result |= kAlt;
    return result;
}

long buttonsOf(WPARAM state)
{
    long result = modifiersOf(state);
    if (state & MK_LBUTTON)
        result |= kLButton;
    if (state & MK_MBUTTON)
        result |= kMButton;
    if (state & MK_RBUTTON)
        result |= kRButton;
    return result;
}

CPoint pointOf(LPARAM position)
{
    return CPoint(GET_X_LPARAM(position), GET_Y_LPARAM(position));
}

unsigned char keyModifiers()
{
    return static_cast<unsigned char>((GetKeyState(VK_SHIFT) < 0 ? MODIFIER_SHIFT : 0) |
                                      (GetKeyState(VK_MENU) < 0 ? MODIFIER_ALTERNATE : 0) |
                                      (GetKeyState(VK_CONTROL) < 0 ? MODIFIER_CONTROL : 0));
}

// The keys the toolkit knows by their virtual code; characters come as WM_CHAR.
struct VirtualKey
{
    WPARAM code;
    unsigned char virt;
};
constexpr VirtualKey kVirtualKeys[] = {
    {VK_BACK, VKEY_BACK},     {VK_TAB, VKEY_TAB},   {VK_RETURN, VKEY_RETURN}, {VK_ESCAPE, VKEY_ESCAPE},
    {VK_DELETE, VKEY_DELETE}, {VK_LEFT, VKEY_LEFT}, {VK_RIGHT, VKEY_RIGHT},   {VK_UP, VKEY_UP},
    {VK_DOWN, VKEY_DOWN},     {VK_HOME, VKEY_HOME}, {VK_END, VKEY_END},       {VK_SPACE, VKEY_SPACE},
};

bool translateVirtualKey(WPARAM code, LPARAM flags, VstKeyCode& key)
{
    key = VstKeyCode{};
    key.modifier = keyModifiers();
    for (const VirtualKey& known : kVirtualKeys)
        if (known.code == code)
        {
            key.virt = known.virt;
            // The keypad's Enter is Return with the extended-key flag.
            if (code == VK_RETURN && (flags & (1 << 24)))
                key.virt = VKEY_ENTER;
            if (code == VK_SPACE)
                key.character = ' ';
            return true;
        }
    return false;
}

const char* acquireWindowClass();
void releaseWindowClass();

class Win32Window final : public PlatformWindow
{
public:
    Win32Window(CFrame& owner, HWND parent) : frame(owner)
    {
        const CRect& size = frame.getViewSize();
        window = CreateWindowExA(0, acquireWindowClass(), "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                 static_cast<int>(size.width()), static_cast<int>(size.height()), parent, nullptr,
                                 thisModule(), this);
    }

    ~Win32Window() override
    {
        if (window)
        {
            // The frame is going away: no message may reach it any more.
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            if (GetCapture() == window)
                ReleaseCapture();
            DestroyWindow(window);
        }
        releaseWindowClass();
    }

    bool created() const { return window != nullptr; }

    bool pumpEvent(int timeoutMs) override
    {
        delivered = false;
        for (int pass = 0; pass < 2 && window; ++pass)
        {
            // Only this window's messages: the host's windows are the host's loop's business.
            MSG message;
            while (window && PeekMessageA(&message, window, 0, 0, PM_REMOVE))
            {
                TranslateMessage(&message);
                DispatchMessageA(&message);
                if (delivered)
                    return true;
            }
            if (pass == 0 && timeoutMs > 0 && window &&
                MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT) ==
                    WAIT_TIMEOUT)
                return false;
        }
        return false;
    }

    void present(const PixelBuffer& pixels, const CRect& area) override
    {
        CRect part = area;
        part.bound(pixels.bounds());
        if (!window || part.isEmpty())
            return;
        HDC context = GetDC(window);
        if (!context)
            return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = pixels.width();
        info.bmiHeader.biHeight = -pixels.height(); // rows top to bottom, as the buffer keeps them
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32; // blue, green, red, unused: the buffer's 0xAARRGGBB in memory
        info.bmiHeader.biCompression = BI_RGB;
        // Source rows are counted from the bottom of the image even for a
        // top-down bitmap: the part's bottom edge is its first scan line.
        SetDIBitsToDevice(context, static_cast<int>(part.left), static_cast<int>(part.top),
                          static_cast<DWORD>(part.width()), static_cast<DWORD>(part.height()),
                          static_cast<int>(part.left), static_cast<int>(pixels.height() - part.bottom), 0,
                          static_cast<UINT>(pixels.height()), pixels.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(window, context);
    }

    void takeKeyboardFocus() override
    {
        if (window && IsWindowVisible(window))
            SetFocus(window);
    }

    void* getHandle() const override { return window; }

    static LRESULT CALLBACK procedure(HWND target, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
        {
            // Messages of the creation itself come before CreateWindowExA returns the handle.
            auto* creator = static_cast<Win32Window*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
            creator->window = target;
            SetWindowLongPtrA(target, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creator));
        }
        auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(target, GWLP_USERDATA));
        if (self)
        {
            LRESULT result = 0;
            if (self->handle(message, wParam, lParam, result))
                return result;
        }
        return DefWindowProcA(target, message, wParam, lParam);
    }

private:
    // The frame calls that end in a delivered input event.
    void deliverDown(LPARAM position, WPARAM state)
    {
        if (GetCapture() != window)
            SetCapture(window); // the release comes here even off the window
        heldButtons = buttonsOf(state);
        frame.platformMouseDown(pointOf(position), heldButtons);
        // After the call: a control's tracking loop pumps this window again.
        delivered = true;
    }

    void deliverUp(LPARAM position, WPARAM state)
    {
        heldButtons = buttonsOf(state);
        delivered = true;
        frame.platformMouseUp(pointOf(position), heldButtons);
        if (!(heldButtons & kMouseButtons) && GetCapture() == window)
            ReleaseCapture();
    }

    // Answers whether the message was handled here, with its result.
    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
    {
        switch (message)
        {
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN:
            deliverDown(lParam, wParam);
            return true;
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_RBUTTONUP:
            deliverUp(lParam, wParam);
            return true;
        case WM_MOUSEMOVE:
            if (!watchingLeave)
            {
                TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
                watchingLeave = TrackMouseEvent(&track) != FALSE;
            }
            heldButtons = buttonsOf(wParam);
            delivered = true;
            frame.platformMouseMoved(pointOf(lParam), heldButtons);
            return true;
        case WM_MOUSELEAVE:
            watchingLeave = false;
            delivered = true;
            frame.platformPointerLeft();
            return true;
        case WM_CAPTURECHANGED:
            // Another window took the mouse (a host dialog, a task switch):
            // the release will never come here, so a tracking control stops now.
            if (reinterpret_cast<HWND>(lParam) != window && (heldButtons & kMouseButtons))
            {
                heldButtons &= ~kMouseButtons;
                delivered = true;
                frame.platformMouseUp(CPoint(-1, -1), heldButtons);
            }
            return true;
        case WM_MOUSEWHEEL:
        {
            // Wheel positions are in screen coordinates; one notch is a distance of 1.
            POINT where{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(window, &where);
            delivered = true;
            frame.platformWheel(CPoint(where.x, where.y),
                                static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / WHEEL_DELTA,
                                modifiersOf(GET_KEYSTATE_WPARAM(wParam)));
            return true;
        }
        case WM_KEYDOWN:
        case WM_KEYUP:
        {
            VstKeyCode key{};
            if (!translateVirtualKey(wParam, lParam, key))
                return false;
            delivered = true;
            frame.platformKey(key, message == WM_KEYDOWN);
            return true;
        }
        case WM_CHAR:
        {
            // Control characters and space arrived as virtual keys already.
            if (wParam <= 32 || wParam == 127 || wParam > 255)
                return true;
            VstKeyCode key{};
            key.character = static_cast<int>(wParam);
            key.modifier = keyModifiers();
            delivered = true;
            frame.platformKey(key, true);
            return true;
        }
        case WM_GETDLGCODE:
            // Hosts that run dialog-style windows keep arrows, Tab and Return for themselves otherwise.
            result = DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS;
            return true;
        case kDpiChanged:
            frame.platformScreenZoom(zoomForDpi(LOWORD(wParam)));
            return true;
        case kDpiChangedAfterParent:
            frame.platformScreenZoom(zoomForDpi(static_cast<int>(dpiOf(window))));
            return true;
        case WM_ERASEBKGND:
            result = 1; // the frame paints every pixel
            return true;
        case WM_PAINT:
        {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            const RECT& area = paint.rcPaint;
            frame.platformExpose(CRect(area.left, area.top, area.right, area.bottom));
            return true;
        }
        case WM_DESTROY:
            // The host closed its window without closing the editor first.
            window = nullptr;
            if (heldButtons & kMouseButtons)
            {
                heldButtons = 0;
                frame.platformMouseUp(CPoint(-1, -1), 0);
            }
            return false;
        default:
            return false;
        }
    }

    CFrame& frame;
    HWND window = nullptr;
    long heldButtons = 0;
    bool delivered = false;
    bool watchingLeave = false;
};

// The window class lives while windows of it do: a module the host unloads
// leaves no class behind that points into it. Its name holds the module's
// address, so copies of the plug-in loaded from different files keep apart.
int classUsers = 0;
char className[48] = {};

const char* acquireWindowClass()
{
    if (classUsers++ == 0)
    {
        std::snprintf(className, sizeof className, "CorvantaFrame%p", static_cast<void*>(thisModule()));
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Win32Window::procedure;
        windowClass.hInstance = thisModule();
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.lpszClassName = className;
        RegisterClassExA(&windowClass);
    }
    return className;
}

void releaseWindowClass()
{
    if (classUsers > 0 && --classUsers == 0)
        UnregisterClassA(className, thisModule());
}
} // namespace

std::unique_ptr<PlatformWindow> createWin32Window(CFrame& frame, void* parent)
{
    const auto parentWindow = static_cast<HWND>(parent);
    if (!parentWindow || !IsWindow(parentWindow))
        return nullptr;
    auto window = std::make_unique<Win32Window>(frame, parentWindow);
    if (!window->created())
        return nullptr;
    return window;
}

int win32ScreenZoom(void* parent)
{
    const auto window = static_cast<HWND>(parent);
    return zoomForDpi(static_cast<int>(dpiOf(window && IsWindow(window) ? window : nullptr)));
}

void installPlatformWindowBackend()
{
    setPlatformWindowFactory(createWin32Window);
    setScreenZoomQuery(win32ScreenZoom);
}
