// The built plug-in's editor under a real X server (Xvfb, started here), as
// a host uses it: the test loads corvanta.so, asks for the editor's size,
// opens it in an X11 window of its own with effEditOpen, idles it with
// effEditIdle, and drives it with real X input (XTest): a knob drag, the
// Power switch, a pick from the program list and a typed program name. The
// host callback must see the changes as automation. The panel is saved as
// editor_window.png in the build folder. On a server whose Xft.dpi is 192 the
// editor opens at 200 %, driven the same way.
// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "BitmapIds.h"
#include "../editor/ProgramListLayout.h"
#include "TempDirectory.h"
#include "TestHost.h"
#include "Toolkit.h"
#include "XvfbHarness.h"
#include "draw/ImageFiles.h"

#include <atomic>
#include <filesystem>
#include <functional>

namespace
{
using namespace xvfb;

int childWindows(Display* display, Window window)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XSync(display, False);
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return -1;
    if (children)
        XFree(children);
    return static_cast<int>(count);
}

long openDescriptors()
{
    long count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// The host's user-interface thread: idles the editor while `input` runs on
// a thread of its own, then a little longer.
void idleWhile(TestHost& host, const std::function<void()>& input)
{
    std::atomic<bool> done{false};
    std::thread driver([&] {
        input();
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!done && std::chrono::steady_clock::now() < deadline)
    {
        host.dispatch(effEditIdle);
        std::this_thread::sleep_for(5ms);
    }
    driver.join();
    for (int i = 0; i < 40; ++i)
    {
        host.dispatch(effEditIdle);
        std::this_thread::sleep_for(5ms);
    }
}

bool automated(const TestHost& host, VstInt32 index, float value)
{
    for (const HostCall& call : host.callsWith(audioMasterAutomate))
        if (call.index == index && call.opt == value)
            return true;
    return false;
}

TEST(EditorWindow, HostOpensTheEditorAndRealInputArrivesAsAutomation)
{
    XvfbServer server;
    if (!server.start())
        GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";
    setenv("DISPLAY", server.displayName().c_str(), 1);
    Display* display = server.display();

    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    ASSERT_TRUE(host.effect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    ASSERT_EQ(width, 300);
    ASSERT_EQ(height, 294);
    const Window hostWindow = createHostWindow(display, static_cast<unsigned>(width), static_cast<unsigned>(height));

    host.setParameter(3, 0.5f);
    host.setParameter(0, 1.0f);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(hostWindow)), 1);
    EXPECT_EQ(childWindows(display, hostWindow), 1);
    host.clearCalls();

    const CRect entry = programListEntry(7);
    idleWhile(host, [&] {
        Driver driver(server.displayName(), hostWindow);
        // The Decay knob, 50 pixels up: a quarter of its range (linear knobs).
        driver.dragVertically(67, 70, 20);
        driver.click(67, 215); // Power off
        driver.click(211, 277); // the program list...
        driver.click(static_cast<int>((entry.left + entry.right) / 2), static_cast<int>((entry.top + entry.bottom) / 2));
    });
    EXPECT_TRUE(automated(host, 3, 0.75f));
    EXPECT_FALSE(host.callsWith(audioMasterBeginEdit).empty());
    EXPECT_EQ(host.callsWith(audioMasterBeginEdit).front().index, 3);
    EXPECT_TRUE(automated(host, 0, 0.0f));
    // ...picked "Basic Room": every parameter announced, the host shows its name.
    EXPECT_EQ(host.programName(), "Basic Room");
    EXPECT_EQ(host.callsWith(audioMasterUpdateDisplay).size(), 1u);
    const auto automations = host.callsWith(audioMasterAutomate);
    ASSERT_GE(automations.size(), 32u);
    for (size_t i = 0; i < 32; ++i)
        EXPECT_EQ(automations[automations.size() - 32 + i].index, static_cast<VstInt32>(i / 2));

    // A typed program name.
    idleWhile(host, [&] {
        Driver driver(server.displayName(), hostWindow);
        driver.click(140, 277);
        for (KeySym symbol : {XK_h, XK_a, XK_l, XK_l, XK_Return})
            driver.key(symbol);
    });
    EXPECT_EQ(host.programName(), "hall");

    // The window shows the panel: where no control sits, its pixels are the
    // panel bitmap's.
    XSync(display, False);
    const PixelBuffer shown = grabWindow(display, hostWindow, width, height);
    writePng(shown, std::string(CORVANTA_TEST_BINARY_DIR) + "/editor_window.png");
    CBitmap panel(kPanelBitmap);
    long different = 0;
    for (int y = 22; y < 120; ++y)
        for (int x = 0; x < 38; ++x)
            different += (shown.at(x, y) & 0xFFFFFFu) != (panel.getPixels().at(x, y) & 0xFFFFFFu);
    EXPECT_EQ(different, 0);

    // Closing removes the window; opening and closing again and again keeps
    // no window or server connection behind.
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    EXPECT_EQ(childWindows(display, hostWindow), 0);
    const long descriptors = openDescriptors();
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(hostWindow)), 1);
        host.dispatch(effEditIdle);
        EXPECT_EQ(host.dispatch(effEditClose), 0);
    }
    EXPECT_EQ(childWindows(display, hostWindow), 0);
    EXPECT_EQ(openDescriptors(), descriptors);
    // An effect closed with its editor open takes the window with it.
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(hostWindow)), 1);
    host.dispatch(effEditIdle);
    EXPECT_EQ(childWindows(display, hostWindow), 1);
    host.close();
    EXPECT_EQ(childWindows(display, hostWindow), 0);
    XDestroyWindow(display, hostWindow);
}
TEST(EditorWindow, AScreenAt192DpiOpensTheEditorAt200PercentDrivenByRealInput)
{
    XvfbServer server;
    if (!server.start())
        GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";
    setenv("DISPLAY", server.displayName().c_str(), 1);
    Display* display = server.display();
    setServerResources(display, "Xft.dpi:\t192\n");
    ScopedConfigHome settings; // no zoom chosen by the user

    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_EQ(rect->right - rect->left, 600);
    ASSERT_EQ(rect->bottom - rect->top, 588);
    const Window hostWindow = createHostWindow(display, 600, 588);
    host.setParameter(3, 0.5f);
    host.setParameter(0, 1.0f);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(hostWindow)), 1);
    host.clearCalls();

    const CRect entry = programListEntry(7, 200);
    idleWhile(host, [&] {
        Driver driver(server.displayName(), hostWindow);
        // The Decay knob, 100 pixels up: a quarter of its range at this size.
        driver.dragVertically(134, 140, 40);
        driver.click(135, 430); // Power off
        driver.click(422, 554); // the program list...
        driver.click(static_cast<int>((entry.left + entry.right) / 2), static_cast<int>((entry.top + entry.bottom) / 2));
    });
    EXPECT_TRUE(automated(host, 3, 0.75f));
    EXPECT_TRUE(automated(host, 0, 0.0f));
    EXPECT_EQ(host.programName(), "Basic Room");

    // The window shows the panel drawn for 200 %.
    XSync(display, False);
    const PixelBuffer shown = grabWindow(display, hostWindow, 600, 588);
    writePng(shown, std::string(CORVANTA_TEST_BINARY_DIR) + "/editor_window_200.png");
    CBitmap panel(zoomedBitmapId(kPanelBitmap, 200));
    ASSERT_EQ(panel.getWidth(), 600);
    long different = 0;
    for (int y = 44; y < 240; ++y)
        for (int x = 0; x < 76; ++x)
            different += (shown.at(x, y) & 0xFFFFFFu) != (panel.getPixels().at(x, y) & 0xFFFFFFu);
    EXPECT_EQ(different, 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    host.close();
    XDestroyWindow(display, hostWindow);
}
} // namespace
