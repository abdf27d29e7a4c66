// The X server side of the window tests: an Xvfb of the test's own, a
// window standing in for the host's, real input sent through XTest from a
// second connection, and a grab of a window's pixels.
// Include GoogleTest before this header: Xlib defines macros (None, Bool)
// that clash with its names.
#pragma once

#include "draw/PixelBuffer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>

extern char** environ;

namespace xvfb
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
            // Built by appending to new strings: GCC 12 at -O3 reports a false
            // overlap (-Wrestrict) where a string's text is replaced.
            const std::string digits = std::to_string(number);
            std::string lock = "/tmp/.X";
            lock.append(digits).append("-lock");
            if (access(lock.c_str(), F_OK) == 0)
                continue;
            std::string display = ":";
            name = std::move(display.append(digits));
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
                        const_cast<char*>("0"),      const_cast<char*>("1024x768x24"), const_cast<char*>("-nolisten"),
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

// A mapped top-level window of the given size at (10, 10), as a host makes
// to hold an editor.
inline Window createHostWindow(Display* display, unsigned width, unsigned height)
{
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, width, height, 0, 0, 0);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    for (XEvent event; XNextEvent(display, &event), event.type != MapNotify;)
    {
    }
    return window;
}

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
    // A press at (x, fromY), a move in steps of 10 pixels to (x, toY), a release.
    void dragVertically(int x, int fromY, int toY)
    {
        moveTo(x, fromY);
        button(true);
        const int step = toY < fromY ? -10 : 10;
        for (int y = fromY + step; step < 0 ? y >= toY : y <= toY; y += step)
            moveTo(x, y);
        button(false);
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

// Puts `resources` ("Xft.dpi:\t192\n") into the server's resource database,
// as a desktop session or xrdb does: clients read it when they connect.
inline void setServerResources(Display* display, const std::string& resources)
{
    XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
    XSync(display, False);
}

inline PixelBuffer grabWindow(Display* display, Window window, int width, int height)
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

} // namespace xvfb
