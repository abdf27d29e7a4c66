// The editor window on Windows, under Wine's null graphics driver: a frame
// opens as a child of a window standing in for the host's. Window messages
// posted to it drive the controls (a knob drag with the mouse captured, a
// switch, the About picture, the wheel on the Type rocker and a typed
// program name), and so does input through the system's input queue; what
// the window shows is read back and compared with the frame's pixels. Also
// what a host can do to the window: take the mouse away in the middle of a
// drag, destroy its own window first, or hand over something that is no
// window.
#include "../toolkit/PanelFixture.h"
#include "PlatformBackend.h"
#include "draw/ImageFiles.h"
#include "Win32.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace
{
using namespace std::chrono_literals;

constexpr UINT kTakeTheMouse = WM_APP + 1;

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kTakeTheMouse)
    {
        SetCapture(window); // as a host's own drag or a dialog would
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window standing in for the one a host gives effEditOpen.
HWND createHostWindow()
{
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = hostProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "CorvantaTestHost";
        registered = RegisterClassExA(&windowClass) != 0;
    }
    return CreateWindowExA(0, "CorvantaTestHost", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 340, 340,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

long differentPixels(const PixelBuffer& shown, const PixelBuffer& drawn)
{
    long different = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            different += (shown.at(x, y) & 0xFFFFFFu) != (drawn.at(x, y) & 0xFFFFFFu);
    return different;
}

struct LinearEditor : AEffGUIEditor
{
    LinearEditor() : AEffGUIEditor(nullptr) { setKnobMode(kLinearMode); }
};

class Win32WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host = createHostWindow();
        ASSERT_NE(host, nullptr);
        installPlatformWindowBackend();
        frame = buildPanel(listener, controls, &editor, host);
        ASSERT_NE(frame->getPlatformWindow(), nullptr);
        window = static_cast<HWND>(frame->getPlatformWindow()->getHandle());
        frame->idle();
    }

    void TearDown() override
    {
        frame.reset();
        setPlatformWindowFactory(nullptr);
        if (host)
            DestroyWindow(host);
    }

    void post(UINT message, WPARAM wParam, long x, long y)
    {
        PostMessageA(window, message, wParam, MAKELPARAM(x, y));
    }
    void click(long x, long y)
    {
        post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        post(WM_LBUTTONUP, 0, x, y);
    }

    HWND host = nullptr;
    HWND window = nullptr;
    LinearEditor editor;
    RecordingListener listener;
    PanelControls controls;
    std::unique_ptr<CFrame> frame;
};

TEST_F(Win32WindowTest, MessagesDriveTheControls)
{
    EXPECT_EQ(GetParent(window), host);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 294);

    // Drag the Decay knob 50 pixels up: a quarter of its range in linear mode.
    post(WM_LBUTTONDOWN, MK_LBUTTON, 67, 70);
    for (long y = 60; y >= 20; y -= 10)
        post(WM_MOUSEMOVE, MK_LBUTTON, 67, y);
    post(WM_LBUTTONUP, 0, 67, 20);
    click(67, 215); // Power off
    click(150, 12); // About open
    click(67, 215); // ...a click on the picture closes it, the switch stays
    // One wheel notch towards the user on the Type rocker steps it up by one type.
    POINT onRocker{150, 50};
    ClientToScreen(window, &onRocker);
    PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                 MAKELPARAM(onRocker.x, onRocker.y));
    click(140, 277); // the program name field
    for (char letter : {'h', 'a', 'l', 'l'})
        PostMessageA(window, WM_CHAR, static_cast<WPARAM>(letter), 1);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 1);
    frame->idle();

    EXPECT_FLOAT_EQ(controls.decay->getValue(), 0.75f);
    EXPECT_FLOAT_EQ(controls.power->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(controls.about->getValue(), 0.0f);
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_NEAR(controls.typeRocker->getValue(), 0.5f + 1.0f / 9.0f, 1e-6f);
    EXPECT_STREQ(controls.nameField->getText(), "hall");
    EXPECT_EQ(std::count(listener.changedTags.begin(), listener.changedTags.end(), 31), 2);
    EXPECT_EQ(std::count(listener.changedTags.begin(), listener.changedTags.end(), 32), 1);
    // The drag captured the mouse and gave it back at the release.
    EXPECT_EQ(GetCapture(), nullptr);
    // The name field asked for the keyboard.
    EXPECT_EQ(GetFocus(), window);
}

TEST_F(Win32WindowTest, RealInputDrivesTheControls)
{
    realMouse(window, 67, 70);
    realMouse(window, 67, 70, MOUSEEVENTF_LEFTDOWN);
    for (long y = 60; y >= 20; y -= 10)
        realMouse(window, 67, y);
    realMouse(window, 67, 20, MOUSEEVENTF_LEFTUP);
    realClick(window, 67, 215);
    realClick(window, 140, 277);
    frame->idle(); // the name field takes the keyboard
    for (WORD key : {WORD{'R'}, WORD{'O'}, WORD{'O'}, WORD{'M'}, WORD{VK_RETURN}})
        realKey(key);
    frame->idle();

    EXPECT_FLOAT_EQ(controls.decay->getValue(), 0.75f);
    EXPECT_FLOAT_EQ(controls.power->getValue(), 0.0f);
    EXPECT_STREQ(controls.nameField->getText(), "room");
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Win32WindowTest, TheWindowShowsTheFramesPixels)
{
    // Parts redrawn after a change are shown where they belong.
    controls.decay->setValue(0.9f);
    controls.typeRocker->setValue(0.1f);
    controls.lamp->setValue(1.0f);
    frame->idle();
    EXPECT_EQ(differentPixels(grabWindow(window, 300, 294), frame->getBuffer()), 0);

    // Whatever covered the window is painted over when the system asks.
    HDC context = GetDC(window);
    const RECT smear{10, 20, 200, 150};
    FillRect(context, &smear, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window, context);
    EXPECT_GT(differentPixels(grabWindow(window, 300, 294), frame->getBuffer()), 1000);
    InvalidateRect(window, &smear, FALSE);
    UpdateWindow(window);
    const PixelBuffer shown = grabWindow(window, 300, 294);
    EXPECT_EQ(differentPixels(shown, frame->getBuffer()), 0);
    writePng(shown, std::string(CORVANTA_TEST_BINARY_DIR) + "/win32_window.png");
}

TEST_F(Win32WindowTest, TheRightButtonLeavesTheSwitchAlone)
{
    post(WM_RBUTTONDOWN, MK_RBUTTON, 67, 215);
    post(WM_RBUTTONUP, 0, 67, 215);
    frame->idle();
    EXPECT_FLOAT_EQ(controls.power->getValue(), 1.0f);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Win32WindowTest, ADragEndsWhenAnotherWindowTakesTheMouse)
{
    // The release never comes: another window of the host captures the
    // mouse while the knob tracks it, which must end the knob's loop.
    const DWORD editorThread = GetCurrentThreadId();
    std::atomic<bool> ended{false};
    std::atomic<bool> rescued{false};
    std::thread other([&] {
        auto deadline = std::chrono::steady_clock::now() + 10s;
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        while (std::chrono::steady_clock::now() < deadline &&
               !(GetGUIThreadInfo(editorThread, &info) && info.hwndCapture == window))
            std::this_thread::sleep_for(5ms);
        SendMessageA(host, kTakeTheMouse, 0, 0);
        // Should the loop still run, end it, so a failure cannot hang the suite.
        deadline = std::chrono::steady_clock::now() + 3s;
        while (!ended && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        if (!ended)
        {
            rescued = true;
            PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(67, 40));
        }
    });
    post(WM_LBUTTONDOWN, MK_LBUTTON, 67, 70);
    post(WM_MOUSEMOVE, MK_LBUTTON, 67, 60);
    frame->idle();
    ended = true;
    const bool endedAlone = !rescued;
    other.join();
    EXPECT_TRUE(endedAlone);
    EXPECT_FLOAT_EQ(controls.decay->getValue(), 0.55f);
    EXPECT_EQ(GetCapture(), host);
    ReleaseCapture();
}

TEST_F(Win32WindowTest, TheHostDestroyingItsWindowFirstLeavesTheFrameUsable)
{
    DestroyWindow(host);
    host = nullptr;
    EXPECT_FALSE(IsWindow(window));
    controls.decay->setValue(0.1f);
    controls.decay->setDirty();
    frame->idle();
    frame->redraw();
    EXPECT_EQ(frame->getPlatformWindow()->getHandle(), nullptr);
}

TEST(Win32Window, SomethingThatIsNoWindowGivesNoWindow)
{
    installPlatformWindowBackend();
    CFrame orphan(CRect(0, 0, 20, 20), reinterpret_cast<void*>(uintptr_t{0x1234}), nullptr);
    EXPECT_EQ(orphan.getPlatformWindow(), nullptr);
    setPlatformWindowFactory(nullptr);
}

TEST(Win32Window, TheWindowClassGoesWithTheLastWindow)
{
    const HWND host = createHostWindow();
    installPlatformWindowBackend();
    auto first = std::make_unique<CFrame>(CRect(0, 0, 30, 30), host, nullptr);
    auto second = std::make_unique<CFrame>(CRect(0, 0, 30, 30), host, nullptr);
    ASSERT_NE(first->getPlatformWindow(), nullptr);
    ASSERT_NE(second->getPlatformWindow(), nullptr);
    char name[64] = {};
    GetClassNameA(static_cast<HWND>(first->getPlatformWindow()->getHandle()), name, sizeof name);
    WNDCLASSEXA found{};
    found.cbSize = sizeof found;
    first.reset();
    EXPECT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &found)) << "still used by the second window";
    second.reset();
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &found));
    setPlatformWindowFactory(nullptr);
    DestroyWindow(host);
}
} // namespace


