// Knob filmstrips, switches, rockers, the overload lamp, the slider handle
// and the preset-bar buttons.
#include "Artwork.h"

#include <cmath>
#include <numbers>

namespace artwork
{
namespace
{
using namespace paint;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kStart = 1.25f * kPi; // value 0, lower left
constexpr float kSweep = 1.5f * kPi;  // clockwise to the lower right

PixelBuffer stackFrames(const std::vector<PixelBuffer>& frames)
{
    const int w = frames.front().width();
    const int h = frames.front().height();
    PixelBuffer strip(w, h * static_cast<int>(frames.size()));
    for (size_t i = 0; i < frames.size(); ++i)
        paste(strip, frames[i], 0, static_cast<long>(i) * h);
    return strip;
}

void knob(PixelBuffer& image, float value, CColor accent)
{
    // In panel pixels, centred in the image.
    const float width = static_cast<float>(image.width()) / scale();
    const float height = static_cast<float>(image.height()) / scale();
    const float size = std::min(width, height);
    const float c = size * 0.5f;
    const float cx = width * 0.5f;
    const float cy = height * 0.5f;
    const bool big = size > 45.0f;
    const float tickOuter = c - 1.0f;
    const float tickInner = tickOuter - (big ? 3.5f : 2.5f);
    const float arcRadius = big ? c - 7.0f : c - 5.5f;
    const float arcWidth = big ? 3.0f : 2.2f;
    const float body = big ? c - 11.5f : c - 8.5f;

    for (int i = 0; i <= 10; ++i)
    {
        const float a = kStart - kSweep * static_cast<float>(i) / 10.0f;
        line(image, cx + std::cos(a) * tickInner, cy - std::sin(a) * tickInner, cx + std::cos(a) * tickOuter,
             cy - std::sin(a) * tickOuter, i % 5 == 0 ? 1.4f : 1.0f, rgb(72, 74, 82));
    }
    const float angle = kStart - kSweep * value;
    arc(image, cx, cy, arcRadius, arcWidth, kStart, kStart - kSweep, rgb(120, 122, 126));
    if (value > 0.002f)
        arc(image, cx, cy, arcRadius, arcWidth, kStart, angle, accent);

    circle(image, cx, cy + 1.5f, body + 0.5f, rgb(0, 0, 0, 70)); // shadow
    circleGradient(image, cx, cy, body, rgb(104, 108, 120), rgb(30, 32, 39));
    circleGradient(image, cx, cy, body - (big ? 2.5f : 1.8f), rgb(66, 70, 81), rgb(46, 49, 58));
    const float inner = body * 0.28f;
    const float outer = body - (big ? 3.5f : 2.5f);
    line(image, cx + std::cos(angle) * inner, cy - std::sin(angle) * inner, cx + std::cos(angle) * outer,
         cy - std::sin(angle) * outer, big ? 2.4f : 1.8f, rgb(246, 244, 236));
}

void keyCap(PixelBuffer& image, float top, int state, CColor face)
{
    const float w = static_cast<float>(image.width()) / scale();
    CColor upper = face;
    CColor lower = mix(face, rgb(0, 0, 0), 0.3f);
    if (state == 1)
    {
        upper = mix(face, rgb(255, 255, 255), 0.35f);
        lower = mix(face, rgb(255, 255, 255), 0.1f);
    }
    else if (state == 2)
    {
        upper = mix(face, rgb(0, 0, 0), 0.4f);
        lower = mix(face, rgb(0, 0, 0), 0.2f);
    }
    roundRect(image, 0.5f, top + 0.5f, w - 0.5f, top + 13.5f, 2.5f, rgb(12, 13, 16));
    roundRectGradient(image, 1.0f, top + 1.0f, w - 1.0f, top + 13.0f, 2.0f, upper, lower);
}

void buttonIcon(PixelBuffer& image, float top, ButtonIcon icon, CColor ink, float shift)
{
    const float cx = static_cast<float>(image.width()) / scale() * 0.5f;
    const float cy = top + 7.0f + shift;
    switch (icon)
    {
    case ButtonIcon::save: // a disk
        roundRect(image, cx - 3.5f, cy - 3.5f, cx + 3.5f, cy + 3.5f, 0.8f, ink);
        fill(image,
             {static_cast<long>(cx - 2), static_cast<long>(cy - 3), static_cast<long>(cx + 2),
              static_cast<long>(cy - 1)},
             rgb(230, 232, 236));
        break;
    case ButtonIcon::load: // a folder
        roundRect(image, cx - 4.0f, cy - 2.5f, cx + 4.0f, cy + 3.5f, 0.8f, ink);
        roundRect(image, cx - 4.0f, cy - 3.5f, cx - 0.5f, cy - 1.5f, 0.6f, ink);
        break;
    case ButtonIcon::store: // record
        circle(image, cx, cy, 2.8f, rgb(196, 48, 40));
        break;
    case ButtonIcon::recall: // play
        triangle(image, cx - 2.2f, cy - 3.2f, cx - 2.2f, cy + 3.2f, cx + 3.3f, cy, ink);
        break;
    }
}
} // namespace

PixelBuffer knobStrip(const PixelBuffer& panel, const CRect& at, CColor accent, const CRect& alsoAt)
{
    CRect area = zoomed(at);
    area.right = area.left + std::max(area.width(), zoomed(alsoAt).width());
    const PixelBuffer back = crop(panel, area);
    std::vector<PixelBuffer> frames;
    for (int i = 0; i < kKnobFrames; ++i)
    {
        PixelBuffer frame = back;
        knob(frame, static_cast<float>(i) / static_cast<float>(kKnobFrames - 1), accent);
        frames.push_back(std::move(frame));
    }
    return stackFrames(frames);
}

PixelBuffer powerSwitch(const PixelBuffer& panel)
{
    const PixelBuffer back = crop(panel, zoomed(place::powerSwitch));
    std::vector<PixelBuffer> frames;
    for (int on = 0; on < 2; ++on)
    {
        PixelBuffer frame = back;
        const float cx = 17.5f;
        const float cy = 13.0f;
        circle(frame, cx, cy + 1.0f, 11.5f, rgb(0, 0, 0, 70));
        circleGradient(frame, cx, cy, 11.0f, rgb(112, 116, 128), rgb(30, 32, 39));
        circleGradient(frame, cx, cy, 9.0f, on ? rgb(54, 58, 68) : rgb(70, 74, 85), rgb(44, 47, 56));
        const CColor ink = on ? rgb(120, 230, 140) : rgb(150, 154, 162);
        if (on)
            glow(frame, cx, cy, 9.0f, rgb(90, 220, 120, 90));
        arc(frame, cx, cy, 4.5f, 1.6f, 0.35f * kPi, -1.35f * kPi, ink);
        line(frame, cx, cy - 6.5f, cx, cy - 1.0f, 1.6f, ink);
        frames.push_back(std::move(frame));
    }
    return stackFrames(frames);
}

PixelBuffer typeRocker(const PixelBuffer& panel)
{
    const PixelBuffer back = crop(panel, zoomed(place::typeRocker));
    std::vector<PixelBuffer> frames;
    for (int pressed = -1; pressed <= 1; ++pressed)
    {
        PixelBuffer frame = back;
        roundRect(frame, 1.0f, 1.5f, 60.0f, 19.5f, 4.0f, rgb(16, 17, 21));
        for (int side = -1; side <= 1; side += 2)
        {
            const bool down = side == pressed;
            const float left = side < 0 ? 2.0f : 31.0f;
            const float right = side < 0 ? 30.0f : 59.0f;
            roundRectGradient(frame, left, 2.5f, right, 18.5f, 3.0f, down ? rgb(52, 55, 64) : rgb(108, 112, 124),
                              down ? rgb(70, 74, 84) : rgb(50, 53, 62));
            const float cx = (left + right) * 0.5f;
            const float cy = 10.5f + (down ? 1.0f : 0.0f);
            const CColor ink = down ? rgb(255, 200, 120) : rgb(232, 232, 226);
            if (side < 0)
                triangle(frame, cx + 3.0f, cy - 4.0f, cx + 3.0f, cy + 4.0f, cx - 3.5f, cy, ink);
            else
                triangle(frame, cx - 3.0f, cy - 4.0f, cx - 3.0f, cy + 4.0f, cx + 3.5f, cy, ink);
        }
        frames.push_back(std::move(frame));
    }
    return stackFrames(frames);
}

PixelBuffer overloadLamp(const PixelBuffer& panel)
{
    const PixelBuffer back = crop(panel, zoomed(place::lamp));
    const CColor colours[3] = {rgb(255, 70, 52), rgb(214, 120, 40), rgb(86, 34, 32)};
    std::vector<PixelBuffer> frames;
    for (int state = 0; state < 3; ++state)
    {
        PixelBuffer frame = back;
        circleGradient(frame, 6.5f, 6.5f, 6.3f, rgb(40, 42, 48), rgb(150, 152, 156));
        circle(frame, 6.5f, 6.5f, 4.6f, colours[state]);
        if (state < 2)
            glow(frame, 6.5f, 6.5f, 4.6f, rgb(255, 230, 180, 150));
        circle(frame, 5.3f, 5.0f, 1.4f, rgb(255, 255, 255, state < 2 ? 170 : 60));
        frames.push_back(std::move(frame));
    }
    return stackFrames(frames);
}

PixelBuffer sliderHandle()
{
    // Hard edges: the handle is keyed over any part of the track. Its parts
    // are placed as they lie on the panel with the handle at value 0.
    const CPoint origin(place::sliderHandle.left, place::sliderHandle.top);
    auto part = [&](long left, long top, long right, long bottom) {
        return placeWithin(CRect(left, top, right, bottom), origin);
    };
    const CRect whole = part(0, 0, 21, 9);
    PixelBuffer image(static_cast<int>(whole.width()), static_cast<int>(whole.height()),
                      kTransparentKeyCColor.toPixel());
    image.fillRect(whole, rgb(44, 46, 52), image.bounds());
    for (long y = 1; y < 8; ++y)
    {
        const int shade = 236 - static_cast<int>(y) * 5;
        image.fillRect(part(1, y, 20, y + 1), rgb(shade, shade, shade - 4), image.bounds());
    }
    for (const CRect& corner : {part(0, 0, 1, 1), part(20, 0, 21, 1), part(0, 8, 1, 9), part(20, 8, 21, 9)})
        image.fillRect(corner, kTransparentKeyCColor, image.bounds());
    for (long x : {9L, 11L})
        image.fillRect(part(x, 2, x + 1, 7), rgb(90, 92, 100), image.bounds());
    return image;
}

PixelBuffer barButton(const PixelBuffer& panel, const CRect& at, ButtonIcon icon)
{
    PixelBuffer back = crop(panel, zoomed(CRect(at.left, at.top, at.left + 12, at.bottom)));
    std::vector<PixelBuffer> frames;
    const int states[4] = {0, 1, 2, 0};
    for (int state : states)
    {
        PixelBuffer frame = back;
        keyCap(frame, 0.0f, state, rgb(196, 200, 208));
        const CColor ink = state == 1 ? rgb(30, 60, 110) : rgb(46, 48, 56);
        buttonIcon(frame, 0.0f, icon, ink, state == 2 ? 1.0f : 0.0f);
        frames.push_back(std::move(frame));
    }
    return stackFrames(frames);
}

PixelBuffer stepRocker(const PixelBuffer& panel)
{
    const PixelBuffer back = crop(panel, zoomed(place::stepRocker));
    std::vector<PixelBuffer> frames;
    // hover side, pressed side for images 0..4.
    const int hover[5] = {0, -1, 1, 0, 0};
    const int pressed[5] = {0, 0, 0, -1, 1};
    for (int image = 0; image < 5; ++image)
    {
        PixelBuffer frame = back;
        roundRect(frame, 0.5f, 0.5f, 30.5f, 13.5f, 3.0f, rgb(12, 13, 16));
        for (int side = -1; side <= 1; side += 2)
        {
            const float left = side < 0 ? 1.0f : 15.5f;
            const float right = side < 0 ? 15.0f : 30.0f;
            CColor face = rgb(196, 200, 208);
            if (hover[image] == side)
                face = rgb(228, 234, 244);
            if (pressed[image] == side)
                face = rgb(120, 124, 134);
            roundRectGradient(frame, left, 1.0f, right, 13.0f, 2.0f, face, mix(face, rgb(0, 0, 0), 0.28f));
            const float cx = (left + right) * 0.5f;
            const float cy = 7.0f + (pressed[image] == side ? 1.0f : 0.0f);
            const CColor ink = hover[image] == side ? rgb(30, 60, 110) : rgb(46, 48, 56);
            if (side < 0)
                triangle(frame, cx + 2.0f, cy - 3.5f, cx + 2.0f, cy + 3.5f, cx - 2.5f, cy, ink);
            else
                triangle(frame, cx - 2.0f, cy - 3.5f, cx - 2.0f, cy + 3.5f, cx + 2.5f, cy, ink);
        }
        frames.push_back(std::move(frame));
    }
    return stackFrames(frames);
}
} // namespace artwork
