#include "Paint.h"

#include <cmath>
#include <numbers>

namespace paint
{
namespace
{
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
int currentZoom = kUnzoomed;

CRect boxOf(float left, float top, float right, float bottom)
{
    return {static_cast<long>(std::floor(left)) - 1, static_cast<long>(std::floor(top)) - 1,
            static_cast<long>(std::ceil(right)) + 1, static_cast<long>(std::ceil(bottom)) + 1};
}

float roundRectDistance(float x, float y, float left, float top, float right, float bottom, float radius)
{
    const float cx = (left + right) * 0.5f;
    const float cy = (top + bottom) * 0.5f;
    const float hx = (right - left) * 0.5f - radius;
    const float hy = (bottom - top) * 0.5f - radius;
    const float qx = std::abs(x - cx) - hx;
    const float qy = std::abs(y - cy) - hy;
    const float ox = std::max(qx, 0.0f);
    const float oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}
} // namespace

void setZoom(int percent)
{
    currentZoom = percent;
}

int zoom()
{
    return currentZoom;
}

float scale()
{
    return static_cast<float>(currentZoom) / 100.0f;
}

CRect zoomed(const CRect& rect)
{
    return zoomRect(rect, currentZoom);
}

CRect placeWithin(const CRect& rect, CPoint origin)
{
    const CPoint at = zoomPoint(origin, currentZoom);
    return zoomed(CRect(rect).offset(origin.h, origin.v)).offset(-at.h, -at.v);
}

void fill(PixelBuffer& image, const CRect& rect, CColor color)
{
    image.fillRect(zoomed(rect), color, image.bounds());
}

CColor rgb(int red, int green, int blue, int alpha)
{
    auto byte = [](int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); };
    return {byte(red), byte(green), byte(blue), byte(alpha)};
}

CColor mix(CColor a, CColor b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    auto lerp = [t](uint8_t x, uint8_t y) {
        return static_cast<uint8_t>(std::lround(static_cast<float>(x) + (static_cast<float>(y) - x) * t));
    };
    return {lerp(a.red, b.red), lerp(a.green, b.green), lerp(a.blue, b.blue), lerp(a.alpha, b.alpha)};
}

void roundRect(PixelBuffer& image, float left, float top, float right, float bottom, float radius, CColor color)
{
    roundRectGradient(image, left, top, right, bottom, radius, color, color);
}

void roundRectGradient(PixelBuffer& image, float left, float top, float right, float bottom, float radius, CColor upper,
                       CColor lower)
{
    const float s = scale();
    left *= s;
    top *= s;
    right *= s;
    bottom *= s;
    radius *= s;
    image.fillShape(
        boxOf(left, top, right, bottom),
        [=](float x, float y) { return roundRectDistance(x, y, left, top, right, bottom, radius); },
        [=](float, float y) { return mix(upper, lower, (y - top) / std::max(1.0f, bottom - top)); }, image.bounds());
}

void roundRectOutline(PixelBuffer& image, float left, float top, float right, float bottom, float radius, CColor color,
                      float width)
{
    const float s = scale();
    left *= s;
    top *= s;
    right *= s;
    bottom *= s;
    radius *= s;
    width *= s;
    image.fillShape(
        boxOf(left, top, right, bottom),
        [=](float x, float y) {
            const float d = roundRectDistance(x, y, left, top, right, bottom, radius);
            return std::max(d, -d - width);
        },
        [=](float, float) { return color; }, image.bounds());
}

void circle(PixelBuffer& image, float cx, float cy, float radius, CColor color)
{
    circleGradient(image, cx, cy, radius, color, color);
}

void circleGradient(PixelBuffer& image, float cx, float cy, float radius, CColor upper, CColor lower)
{
    const float s = scale();
    cx *= s;
    cy *= s;
    radius *= s;
    image.fillShape(
        boxOf(cx - radius, cy - radius, cx + radius, cy + radius),
        [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; },
        [=](float, float y) { return mix(upper, lower, (y - (cy - radius)) / std::max(1.0f, 2.0f * radius)); },
        image.bounds());
}

void glow(PixelBuffer& image, float cx, float cy, float radius, CColor color)
{
    const float s = scale();
    cx *= s;
    cy *= s;
    radius *= s;
    image.fillShape(
        boxOf(cx - radius, cy - radius, cx + radius, cy + radius),
        [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; },
        [=](float x, float y) {
            const float t = 1.0f - std::hypot(x - cx, y - cy) / radius;
            CColor c = color;
            c.alpha = static_cast<uint8_t>(std::clamp(t * t, 0.0f, 1.0f) * color.alpha);
            return c;
        },
        image.bounds());
}

void ring(PixelBuffer& image, float cx, float cy, float innerRadius, float outerRadius, CColor color)
{
    const float s = scale();
    cx *= s;
    cy *= s;
    innerRadius *= s;
    outerRadius *= s;
    image.fillShape(
        boxOf(cx - outerRadius, cy - outerRadius, cx + outerRadius, cy + outerRadius),
        [=](float x, float y) {
            const float r = std::hypot(x - cx, y - cy);
            return std::max(r - outerRadius, innerRadius - r);
        },
        [=](float, float) { return color; }, image.bounds());
}

void arc(PixelBuffer& image, float cx, float cy, float radius, float width, float from, float to, CColor color)
{
    const float s = scale();
    cx *= s;
    cy *= s;
    radius *= s;
    width *= s;
    const float half = width * 0.5f;
    const float sweep = from - to;
    const float r = radius + half + 1.0f;
    image.fillShape(
        boxOf(cx - r, cy - r, cx + r, cy + r),
        [=](float x, float y) {
            const float dx = x - cx;
            const float dy = cy - y;
            const float band = std::abs(std::hypot(dx, dy) - radius) - half;
            // Clockwise distance from `from`, in 0..2pi.
            float along = std::fmod(from - std::atan2(dy, dx), kTwoPi);
            if (along < 0.0f)
                along += kTwoPi;
            if (along <= sweep)
                return band;
            // Outside the sweep: distance to the nearer round end.
            const float ex0 = cx + std::cos(from) * radius;
            const float ey0 = cy - std::sin(from) * radius;
            const float ex1 = cx + std::cos(to) * radius;
            const float ey1 = cy - std::sin(to) * radius;
            return std::min(std::hypot(x - ex0, y - ey0), std::hypot(x - ex1, y - ey1)) - half;
        },
        [=](float, float) { return color; }, image.bounds());
}

void line(PixelBuffer& image, float x0, float y0, float x1, float y1, float width, CColor color)
{
    const float s = scale();
    // PixelBuffer::drawLine places coordinates on pixel corners + 0.5.
    image.drawLine(x0 * s - 0.5f, y0 * s - 0.5f, x1 * s - 0.5f, y1 * s - 0.5f, width * s, color, image.bounds());
}

void triangle(PixelBuffer& image, float x0, float y0, float x1, float y1, float x2, float y2, CColor color)
{
    const float s = scale();
    x0 *= s;
    y0 *= s;
    x1 *= s;
    y1 *= s;
    x2 *= s;
    y2 *= s;
    const float px[3] = {x0, x1, x2};
    const float py[3] = {y0, y1, y2};
    const float area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    const float orientation = area >= 0.0f ? 1.0f : -1.0f;
    image.fillShape(
        boxOf(std::min({x0, x1, x2}), std::min({y0, y1, y2}), std::max({x0, x1, x2}), std::max({y0, y1, y2})),
        [=](float x, float y) {
            float distance = -1e9f;
            for (int i = 0; i < 3; ++i)
            {
                const int j = (i + 1) % 3;
                const float ex = px[j] - px[i];
                const float ey = py[j] - py[i];
                const float length = std::hypot(ex, ey);
                // Signed distance to the edge line, positive outside.
                const float d = -orientation * (ex * (y - py[i]) - ey * (x - px[i])) / length;
                distance = std::max(distance, d);
            }
            return distance;
        },
        [=](float, float) { return color; }, image.bounds());
}

namespace
{
// Width in pixels of a label at a size and tracking in pixels.
float measuredWidth(std::string_view text, float size, bool bold, float tracking)
{
    const TextStyle style{size, bold};
    float width = 0.0f;
    for (size_t i = 0; i < text.size(); ++i)
        width += text::measure(text.substr(i, 1), style) + (i + 1 < text.size() ? tracking : 0.0f);
    return tracking == 0.0f ? text::measure(text, style) : width;
}
} // namespace

float labelWidth(std::string_view text, float size, bool bold, float tracking)
{
    return measuredWidth(text, size * scale(), bold, tracking * scale()) / scale();
}

void label(PixelBuffer& image, std::string_view text, float x, float middle, float size, bool bold, CColor color,
           Align align, float tracking)
{
    const float s = scale();
    x *= s;
    middle *= s;
    size *= s;
    tracking *= s;
    const TextStyle style{size, bold};
    const float width = measuredWidth(text, size, bold, tracking);
    float left = x;
    if (align == Align::centre)
        left = std::round(x - width * 0.5f);
    else if (align == Align::right)
        left = x - width;
    const float baseline = std::round(middle + text::capHeight(style) * 0.5f);
    if (tracking == 0.0f)
    {
        text::draw(image, image.bounds(), left, baseline, text, style, color);
        return;
    }
    for (size_t i = 0; i < text.size(); ++i)
    {
        text::draw(image, image.bounds(), std::round(left), baseline, text.substr(i, 1), style, color);
        left += text::measure(text.substr(i, 1), style) + tracking;
    }
}

PixelBuffer crop(const PixelBuffer& image, const CRect& area)
{
    PixelBuffer part(static_cast<int>(area.width()), static_cast<int>(area.height()));
    part.copyFrom(image, static_cast<int>(area.left), static_cast<int>(area.top), part.bounds(), part.bounds());
    return part;
}

void paste(PixelBuffer& image, const PixelBuffer& part, long left, long top)
{
    image.copyFrom(part, 0, 0, CRect(left, top, left + part.width(), top + part.height()), image.bounds());
}

void keyUnchanged(PixelBuffer& image, const PixelBuffer& reference)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.at(x, y) == reference.at(x, y))
                image.at(x, y) = kTransparentKeyCColor.toPixel();
}

float noise(int x, int y)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFF) / 32767.5f - 1.0f;
}
} // namespace paint
