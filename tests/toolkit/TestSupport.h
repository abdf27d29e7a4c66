// Shared pieces of the toolkit tests: an editor that records the host
// gestures, a frame with a scripted window, and pixel helpers.
#pragma once

#include "PanelFixture.h"
#include "ScriptedWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

struct RecordingEditor : AEffGUIEditor
{
    RecordingEditor() : AEffGUIEditor(nullptr) {}
    void beginEdit(VstInt32 index) override { gestures.push_back("begin " + std::to_string(index)); }
    void endEdit(VstInt32 index) override { gestures.push_back("end " + std::to_string(index)); }
    std::vector<std::string> gestures;
};

// A plain frame of the given size with a scripted window.
struct TestFrame
{
    explicit TestFrame(AEffGUIEditor* editor = nullptr, CRect size = CRect(0, 0, 300, 294))
        : frame(std::make_unique<CFrame>(size, nullptr, editor)), window(ScriptedWindow::attach(*frame))
    {
    }
    template <typename View> View* add(View* view)
    {
        frame->addView(view);
        return view;
    }
    std::unique_ptr<CFrame> frame;
    ScriptedWindow& window;
};

// A bitmap of `images` stacked images, image k filled with colour k.
inline CBitmap* stripBitmap(long width, long imageHeight, const std::vector<CColor>& colours)
{
    PixelBuffer pixels(static_cast<int>(width), static_cast<int>(imageHeight * static_cast<long>(colours.size())));
    for (size_t i = 0; i < colours.size(); ++i)
        pixels.fillRect(CRect(0, static_cast<long>(i) * imageHeight, width, static_cast<long>(i + 1) * imageHeight),
                        colours[i], pixels.bounds());
    return new CBitmap(std::move(pixels));
}

inline CColor pixelAt(const CFrame& frame, long x, long y)
{
    return CColor::fromPixel(frame.getBuffer().at(static_cast<int>(x), static_cast<int>(y)));
}

// Pixels inside `area` within `tolerance` of `colour` in every channel
// (anti-aliased text reaches its colour only where a stem covers a pixel).
inline long countColour(const PixelBuffer& buffer, const CRect& area, CColor colour, int tolerance = 40)
{
    long count = 0;
    for (long y = area.top; y < area.bottom; ++y)
        for (long x = area.left; x < area.right; ++x)
        {
            const CColor c = CColor::fromPixel(buffer.at(static_cast<int>(x), static_cast<int>(y)));
            if (std::abs(c.red - colour.red) <= tolerance && std::abs(c.green - colour.green) <= tolerance &&
                std::abs(c.blue - colour.blue) <= tolerance)
                ++count;
        }
    return count;
}

inline const std::vector<CColor> kFiveColours = {
    {200, 0, 0, 255}, {0, 200, 0, 255}, {0, 0, 200, 255}, {200, 200, 0, 255}, {0, 200, 200, 255}};
