// The nine algorithm pictures (line drawings on a small dark screen) and
// the About picture.
#include "Artwork.h"

#include <cmath>
#include <numbers>

namespace artwork
{
namespace
{
using namespace paint;

constexpr float kPi = std::numbers::pi_v<float>;
const CColor kInk = rgb(150, 212, 255);
const CColor kDim = rgb(150, 212, 255, 120);

void polyline(PixelBuffer& image, std::initializer_list<std::pair<float, float>> points, float width, CColor color)
{
    const auto* previous = points.begin();
    for (const auto* point = previous + 1; point != points.end(); previous = point++)
        line(image, previous->first, previous->second, point->first, point->second, width, color);
}

void ellipse(PixelBuffer& image, float cx, float cy, float rx, float ry, float width, CColor color, float from = 0.0f,
             float to = 2.0f * kPi)
{
    const int steps = 48;
    for (int i = 0; i < steps; ++i)
    {
        const float a0 = from + (to - from) * static_cast<float>(i) / steps;
        const float a1 = from + (to - from) * static_cast<float>(i + 1) / steps;
        line(image, cx + std::cos(a0) * rx, cy - std::sin(a0) * ry, cx + std::cos(a1) * rx, cy - std::sin(a1) * ry,
             width, color);
    }
}

void ambience(PixelBuffer& p)
{
    circle(p, 14, 20, 2.5f, kInk);
    for (int i = 1; i <= 4; ++i)
    {
        CColor c = kInk;
        c.alpha = static_cast<uint8_t>(255 - i * 45);
        arc(p, 14, 20, 5.0f + 6.0f * i, 1.3f, 0.28f * kPi, -0.28f * kPi, c);
    }
}

void room(PixelBuffer& p)
{
    polyline(p, {{24, 13}, {40, 13}, {40, 27}, {24, 27}, {24, 13}}, 1.2f, kInk);
    polyline(p, {{12, 5}, {24, 13}}, 1.2f, kInk);
    polyline(p, {{52, 5}, {40, 13}}, 1.2f, kInk);
    polyline(p, {{12, 35}, {24, 27}}, 1.2f, kInk);
    polyline(p, {{52, 35}, {40, 27}}, 1.2f, kInk);
    polyline(p, {{29, 27}, {29, 20}, {35, 20}, {35, 27}}, 1.0f, kDim);
}

void chamber(PixelBuffer& p)
{
    arc(p, 32, 18, 12.0f, 1.3f, kPi, 0.0f, kInk);
    polyline(p, {{20, 18}, {20, 34}}, 1.3f, kInk);
    polyline(p, {{44, 18}, {44, 34}}, 1.3f, kInk);
    arc(p, 32, 18, 7.0f, 1.0f, kPi, 0.0f, kDim);
    polyline(p, {{25, 18}, {25, 34}}, 1.0f, kDim);
    polyline(p, {{39, 18}, {39, 34}}, 1.0f, kDim);
    polyline(p, {{12, 34.5f}, {52, 34.5f}}, 1.3f, kInk);
}

void club(PixelBuffer& p)
{
    circle(p, 32, 11, 6.0f, kInk);
    circle(p, 32, 11, 4.8f, rgb(24, 30, 40));
    line(p, 26.5f, 11, 37.5f, 11, 0.8f, kInk);
    ellipse(p, 32, 11, 2.5f, 5.5f, 0.8f, kInk);
    for (float x : {14.0f, 24.0f, 40.0f, 50.0f})
        line(p, 32, 17, x, 35, 1.0f, kDim);
    polyline(p, {{10, 35.5f}, {54, 35.5f}}, 1.3f, kInk);
}

void hall(PixelBuffer& p)
{
    arc(p, 32, 30, 22.0f, 1.3f, kPi, 0.0f, kInk);
    polyline(p, {{22, 30}, {22, 20}, {42, 20}, {42, 30}}, 1.2f, kInk);
    for (int row = 0; row < 3; ++row)
        arc(p, 32, 42.0f + row * 1.0f, 12.0f + row * 7.0f, 1.0f, 0.75f * kPi, 0.25f * kPi, kDim);
    polyline(p, {{8, 30.5f}, {56, 30.5f}}, 1.2f, kInk);
}

void arena(PixelBuffer& p)
{
    ellipse(p, 32, 21, 25.0f, 12.0f, 1.3f, kInk);
    ellipse(p, 32, 22, 14.0f, 6.0f, 1.1f, kDim);
    line(p, 32, 16, 32, 28, 0.9f, kDim);
    for (float x : {10.0f, 54.0f})
        line(p, x, 8, x, 20, 1.0f, kInk);
    circle(p, 10, 7, 1.5f, kInk);
    circle(p, 54, 7, 1.5f, kInk);
}

void cathedral(PixelBuffer& p)
{
    polyline(p, {{32, 2}, {32, 7}}, 1.1f, kInk);
    polyline(p, {{30, 4}, {34, 4}}, 1.1f, kInk);
    polyline(p, {{26, 20}, {32, 8}, {38, 20}}, 1.3f, kInk);
    polyline(p, {{14, 36}, {14, 22}, {20, 14}, {26, 22}, {26, 36}}, 1.2f, kInk);
    polyline(p, {{38, 36}, {38, 22}, {44, 14}, {50, 22}, {50, 36}}, 1.2f, kInk);
    polyline(p, {{26, 20}, {26, 36}}, 1.2f, kInk);
    polyline(p, {{38, 20}, {38, 36}}, 1.2f, kInk);
    polyline(p, {{29, 36}, {29, 27}, {32, 23}, {35, 27}, {35, 36}}, 1.0f, kDim);
    circle(p, 32, 16, 2.0f, kDim);
    polyline(p, {{10, 36.5f}, {54, 36.5f}}, 1.2f, kInk);
}

void spring(PixelBuffer& p)
{
    polyline(p, {{6, 12}, {6, 28}}, 1.6f, kInk);
    polyline(p, {{58, 12}, {58, 28}}, 1.6f, kInk);
    float px = 6.0f;
    float py = 20.0f;
    for (int i = 1; i <= 104; ++i)
    {
        const float t = static_cast<float>(i) / 104.0f;
        const float x = 6.0f + 52.0f * t + 3.0f * std::sin(t * 2.0f * kPi * 7.0f);
        const float y = 20.0f - 7.0f * std::cos(t * 2.0f * kPi * 7.0f) * std::min(1.0f, std::min(t, 1.0f - t) * 8.0f);
        line(p, px, py, x, y, 1.1f, kInk);
        px = x;
        py = y;
    }
}

void plate(PixelBuffer& p)
{
    polyline(p, {{12, 9}, {56, 9}, {52, 31}, {8, 31}, {12, 9}}, 1.3f, kInk);
    for (auto [x, y] : {std::pair{12.0f, 9.0f}, {56.0f, 9.0f}, {52.0f, 31.0f}, {8.0f, 31.0f}})
    {
        line(p, x, y, x + (x < 32 ? -4.0f : 4.0f), y + (y < 20 ? -5.0f : 5.0f), 1.0f, kDim);
    }
    circle(p, 25, 17, 2.2f, kInk);
    circle(p, 39, 23, 2.2f, kInk);
    for (int r = 4; r <= 10; r += 3)
        ellipse(p, 25, 17, static_cast<float>(r), static_cast<float>(r) * 0.55f, 0.7f, kDim);
}

void (*const kPictures[9])(PixelBuffer&) = {ambience, room, chamber, club, hall, arena, cathedral, spring, plate};
} // namespace

PixelBuffer typePictures(const PixelBuffer& panel)
{
    const PixelBuffer back = crop(panel, zoomed(place::typePicture));
    PixelBuffer strip(back.width(), back.height() * 9);
    for (int type = 0; type < 9; ++type)
    {
        PixelBuffer frame = back;
        roundRectGradient(frame, 1.0f, 1.0f, 63.0f, 39.0f, 4.0f, rgb(34, 42, 56), rgb(16, 20, 28));
        roundRectOutline(frame, 1.0f, 1.0f, 63.0f, 39.0f, 4.0f, rgb(10, 12, 16));
        kPictures[type](frame);
        // Drawn with transparency: the untouched corners show the panel.
        keyUnchanged(frame, back);
        paste(strip, frame, 0, type * back.height());
    }
    return strip;
}

PixelBuffer about()
{
    const CRect size = zoomed(CRect(0, 0, 300, 262));
    PixelBuffer image(static_cast<int>(size.width()), static_cast<int>(size.height()));
    const float s = scale();
    for (long row = 0; row < size.bottom; ++row)
    {
        const float y = static_cast<float>(row) / s;
        const float t = y / 170.0f;
        const CColor color = y < 170.0f ? mix(rgb(22, 26, 36), rgb(46, 54, 72), t) : rgb(236, 234, 226);
        image.fillRect({0, row, size.right, row + 1}, color, image.bounds());
    }
    // A reverberation tail: dense early reflections fading into a smooth
    // decay, one line per pixel column at every level.
    const CRect tail = zoomed(CRect(24, 0, 276, 0));
    for (long column = tail.left; column < tail.right; ++column)
    {
        const float x = static_cast<float>(column) / s;
        const int panelX = static_cast<int>(x);
        const float t = (x - 24.0f) / 252.0f;
        const float envelope =
            std::exp(-4.2f * t) * (panelX < 30 ? 1.0f : 0.75f + 0.25f * std::abs(noise(panelX, 3)));
        const float height = 56.0f * envelope;
        CColor c = mix(rgb(130, 196, 255), rgb(80, 120, 190), t);
        c.alpha = 220;
        const auto px = static_cast<float>(column);
        image.drawLine(px, (158.0f - height) * s - 0.5f, px, 158.0f * s - 0.5f, 1.0f, c, image.bounds());
    }
    line(image, 20, 158.5f, 280, 158.5f, 1.0f, rgb(120, 150, 200, 160));
    label(image, "CORVANTA", 150, 46, 28.0f, true, rgb(242, 242, 238), Align::centre, 4.0f);
    label(image, "STEREO REVERB", 150, 76, 10.0f, true, rgb(160, 184, 216), Align::centre, 3.0f);
    label(image, "VERSION", 149, 190, 8.0f, true, rgb(110, 110, 104), Align::centre, 2.0f);
    label(image, "Nine algorithms \xB7 52 programs \xB7 A/B memories", 150, 232, 9.0f, false, rgb(70, 70, 66));
    label(image, "click to close", 150, 249, 8.0f, false, rgb(140, 140, 132));
    image.frameRect(image.bounds(), rgb(20, 22, 28), static_cast<int>(zoomWidth(1, zoom())), image.bounds());
    return image;
}
} // namespace artwork
