// Helpers of the Windows window tests: input as the system's devices give
// it (SendInput: the window server decides which window gets it, as for a
// real mouse and keyboard), and a window's pixels read back from its device
// context (Wine's null graphics driver keeps a surface per window).
#pragma once

#include "Win32.h"
#include "draw/PixelBuffer.h"

#include <cstdint>

inline void realMouse(HWND window, long x, long y, DWORD buttonFlags = 0)
{
    POINT point{x, y};
    ClientToScreen(window, &point);
    const long width = GetSystemMetrics(SM_CXSCREEN);
    const long height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Absolute positions are in 65536ths of the screen; rounded up, they land on the pixel.
    input.mi.dx = (point.x * 65536 + width - 1) / width;
    input.mi.dy = (point.y * 65536 + height - 1) / height;
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttonFlags;
    SendInput(1, &input, sizeof input);
}

inline void realClick(HWND window, long x, long y)
{
    realMouse(window, x, y, MOUSEEVENTF_LEFTDOWN);
    realMouse(window, x, y, MOUSEEVENTF_LEFTUP);
}

// A press and release of the key.
inline void realKey(WORD virtualKey)
{
    INPUT inputs[2] = {};
    for (INPUT& input : inputs)
    {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

inline PixelBuffer grabWindow(HWND window, int width, int height)
{
    PixelBuffer result(width, height, 0);
    HDC source = GetDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ previous = SelectObject(memory, copy);
    if (BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY))
    {
        GdiFlush();
        const auto* pixels = static_cast<const uint32_t*>(bits);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                result.at(x, y) = 0xFF000000u | (pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFFu);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(copy);
    ReleaseDC(window, source);
    return result;
}
