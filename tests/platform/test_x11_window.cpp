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
#include "draw/ImageFiles.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

extern char** environ;

namespace
{
using namespace std::chrono_literals;

// An Xvfb of our own on a free display number; stopped by the destructor.
class XvfbServer
{
public:
    bool start()
    {
        const char* const candidates[] = {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"};
        const char* program = nullptr;
        for (const char* candidate : candidates)
            if (access(candidate, X_OK) == 0)
                program = candidate;
        if (!program)
            return false;
        for (int number = 91 + getpid() % 40; number < 200; number += 7)
        {
            if (access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0)
                continue;
            name = ":" + std::to_string(number);
            if (launch(program))
                return true;
        }
        return false;
    }

    ~XvfbServer() { stop(); }

    const std::string& displayName() const { return name; }
    Display* display() const { return connection; }

private:
    bool launch(const char* program)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string display = name;
        char* argv[] = {const_cast<char*>(program), display.data(), const_cast<char*>("-screen"),
                        const_cast<char*>("0"),      const_cast<char*>("640x480x24"), const_cast<char*>("-nolisten"),
                        const_cast<char*>("tcp"),    const_cast<char*>("-noreset"),
                        nullptr};
        const int failed = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed)
        {
            pid = 0;
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline)
        {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
            {
                pid = 0; // it gave up (display taken): try another number
                return false;
            }
            // The first connection is kept: the server stays up and settled.
            if ((connection = XOpenDisplay(name.c_str())))
                return true;
            std::this_thread::sleep_for(50ms);
        }
        stop();
        return false;
    }

    void stop()
    {
        if (connection)
            XCloseDisplay(connection);
        connection = nullptr;
        if (pid > 0)
        {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = 0;
        }
    }

    pid_t pid = 0;
    std::string name;
    Display* connection = nullptr;
};

struct LinearEditor : AEffGUIEditor
{
    LinearEditor() : AEffGUIEditor(nullptr) { setKnobMode(kLinearMode); }
};

// Real input from a second client, in the host window's coordinates.
class Driver
{
public:
    Driver(const std::string& displayName, Window host) : display(XOpenDisplay(displayName.c_str()))
    {
        Window child = 0;
        XTranslateCoordinates(display, host, DefaultRootWindow(display), 0, 0, &originX, &originY, &child);
    }
    ~Driver() { XCloseDisplay(display); }

    void moveTo(int x, int y)
    {
        XTestFakeMotionEvent(display, DefaultScreen(display), originX + x, originY + y, CurrentTime);
        settle();
    }
    void button(bool down)
    {
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        settle();
    }
    void click(int x, int y)
    {
        moveTo(x, y);
        button(true);
        button(false);
    }
    void key(KeySym symbol)
    {
        const KeyCode code = XKeysymToKeycode(display, symbol);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        settle();
    }

private:
    void settle()
    {
        XFlush(display);
        std::this_thread::sleep_for(15ms);
    }

    Display* display;
    int originX = 0;
    int originY = 0;
};

PixelBuffer grabWindow(Display* display, Window window, int width, int height)
{
    PixelBuffer result(width, height);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image)
        return result;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            result.at(x, y) = 0xFF000000u | (static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
    XDestroyImage(image);
    return result;
}

TEST(X11Window, RealInputDrivesTheControls)
{
    XvfbServer server;
    if (!server.start())
        GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";
    setenv("DISPLAY", server.displayName().c_str(), 1);

    Display* host = server.display();
    const Window hostWindow = XCreateSimpleWindow(host, DefaultRootWindow(host), 10, 10, 320, 310, 0, 0, 0);
    XSelectInput(host, hostWindow, StructureNotifyMask);
    XMapWindow(host, hostWindow);
    for (XEvent event; XNextEvent(host, &event), event.type != MapNotify;)
    {
    }

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
        driver.moveTo(67, 70);
        driver.button(true);
        for (int y = 60; y >= 20; y -= 10)
            driver.moveTo(67, y);
        driver.button(false);
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
