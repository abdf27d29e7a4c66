// The editor window under a real X server (Xvfb, started here): a frame
// opens as a child of a window standing in for the host's, and real X input
// (XTest, from a second connection) drags a knob, clicks a switch, opens and
// closes the About picture and types a program name. The window's pixels
// are compared with the frame's buffer and written to x11_window.png. A bad
// parent window id must not take the process down.
// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "../toolkit/PanelFixture.h"
#include "PlatformBackend.h"
#include "XvfbHarness.h"
#include "draw/ImageFiles.h"

#include <atomic>

namespace
{
using namespace xvfb;

struct LinearEditor : AEffGUIEditor
{
    LinearEditor() : AEffGUIEditor(nullptr) { setKnobMode(kLinearMode); }
};

TEST(X11Window, RealInputDrivesTheControls)
{
    XvfbServer server;
    if (!server.start())
        GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";
    setenv("DISPLAY", server.displayName().c_str(), 1);

    Display* host = server.display();
    const Window hostWindow = createHostWindow(host, 320, 310);

    installPlatformWindowBackend();
    LinearEditor editor;
    RecordingListener listener;
    PanelControls controls;
    auto frame = buildPanel(listener, controls, &editor, reinterpret_cast<void*>(hostWindow));
    ASSERT_NE(frame->getPlatformWindow(), nullptr);
    const auto frameWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(frame->getPlatformWindow()->getHandle()));

    auto idleFor = [&](std::chrono::milliseconds duration) {
        const auto until = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < until)
        {
            frame->idle();
            std::this_thread::sleep_for(5ms);
        }
    };
    idleFor(200ms);

    std::atomic<bool> done{false};
    std::thread input([&] {
        Driver driver(server.displayName(), hostWindow);
        // Drag the Decay knob 50 pixels up: a quarter of its range in linear mode.
        driver.dragVertically(67, 70, 20);
        driver.click(67, 215); // Power off
        driver.click(150, 12); // About open
        driver.click(67, 215); // ...a click on the picture closes it, the switch stays
        driver.click(140, 277); // the program name field
        for (KeySym symbol : {XK_h, XK_a, XK_l, XK_l, XK_Return})
            driver.key(symbol);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!done && std::chrono::steady_clock::now() < deadline)
    {
        frame->idle();
        std::this_thread::sleep_for(5ms);
    }
    input.join();
    idleFor(300ms);

    EXPECT_FLOAT_EQ(controls.decay->getValue(), 0.75f);
    EXPECT_FLOAT_EQ(controls.power->getValue(), 0.0f);
    EXPECT_FLOAT_EQ(controls.about->getValue(), 0.0f);
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_STREQ(controls.nameField->getText(), "hall");
    EXPECT_EQ(std::count(listener.changedTags.begin(), listener.changedTags.end(), 31), 2);
    EXPECT_EQ(std::count(listener.changedTags.begin(), listener.changedTags.end(), 32), 1);

    // The window shows exactly the frame's pixels.
    XSync(host, False);
    const PixelBuffer shown = grabWindow(host, frameWindow, 300, 294);
    writePng(shown, std::string(CORVANTA_TEST_BINARY_DIR) + "/x11_window.png");
    long different = 0;
    for (int y = 0; y < 294; ++y)
        for (int x = 0; x < 300; ++x)
            different += (shown.at(x, y) & 0xFFFFFFu) != (frame->getBuffer().at(x, y) & 0xFFFFFFu);
    EXPECT_EQ(different, 0);

    frame.reset();
    // A window id the server does not know gives no window, and no exit.
    CFrame orphan(CRect(0, 0, 20, 20), reinterpret_cast<void*>(uintptr_t{0x1ffffff0}), nullptr);
    EXPECT_EQ(orphan.getPlatformWindow(), nullptr);
    setPlatformWindowFactory(nullptr);
    XDestroyWindow(host, hostWindow);
}
} // namespace
