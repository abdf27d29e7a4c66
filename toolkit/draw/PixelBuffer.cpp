#include "PixelBuffer.h"

#include <cmath>

PixelBuffer::PixelBuffer(int width, int height, uint32_t fill)
    : w(std::max(0, width)), h(std::max(0, height)), pixels(static_cast<size_t>(w) * h, fill)
{
}

uint32_t blendOver(uint32_t bottom, uint32_t top, unsigned opacity)
{
    if (opacity >= 255)
        return top | 0xFF000000u;
    if (opacity == 0)
        return bottom;
    const unsigned inverse = 255 - opacity;
    uint32_t result = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const unsigned b = (bottom >> shift) & 0xFF;
        const unsigned t = (top >> shift) & 0xFF;
        result |= ((t * opacity + b * inverse + 127) / 255) << shift;
    }
    return result;
}

static CRect clipped(CRect rect, const CRect& clip, const CRect& bounds)
{
    return rect.bound(clip).bound(bounds);
}

void PixelBuffer::blendPixel(int x, int y, CColor color, float coverage)
{
    if (x < 0 || y < 0 || x >= w || y >= h || !(coverage > 0.0f))
        return;
    const float opacity = std::min(coverage, 1.0f) * static_cast<float>(color.alpha);
    at(x, y) = blendOver(at(x, y), color.toPixel(), static_cast<unsigned>(opacity + 0.5f));
}

void PixelBuffer::fillRect(CRect rect, CColor color, const CRect& clip)
{
    const CRect area = clipped(rect, clip, bounds());
    const uint32_t pixel = color.toPixel();
    for (long y = area.top; y < area.bottom; ++y)
        for (long x = area.left; x < area.right; ++x)
            at(x, y) = blendOver(at(x, y), pixel, color.alpha);
}

void PixelBuffer::frameRect(CRect rect, CColor color, int lineWidth, const CRect& clip)
{
    if (rect.isEmpty() || lineWidth <= 0)
        return;
    const long lw = std::min<long>(lineWidth, std::min(rect.width(), rect.height()));
    fillRect({rect.left, rect.top, rect.right, rect.top + lw}, color, clip);
    fillRect({rect.left, rect.bottom - lw, rect.right, rect.bottom}, color, clip);
    fillRect({rect.left, rect.top + lw, rect.left + lw, rect.bottom - lw}, color, clip);
    fillRect({rect.right - lw, rect.top + lw, rect.right, rect.bottom - lw}, color, clip);
}

void PixelBuffer::drawLine(float x0, float y0, float x1, float y1, float lineWidth, CColor color, const CRect& clip)
{
    const float half = std::max(lineWidth, 1.0f) * 0.5f;
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float lengthSquared = dx * dx + dy * dy;
    // Axis-aligned lines of whole width are filled exactly, without soft edges.
    if ((dx == 0.0f || dy == 0.0f) && lineWidth == std::floor(lineWidth))
    {
        const long lw = static_cast<long>(std::max(lineWidth, 1.0f));
        const long offset = (lw - 1) / 2;
        CRect rect;
        if (dy == 0.0f)
            rect = {static_cast<long>(std::floor(std::min(x0, x1))), static_cast<long>(std::floor(y0)) - offset,
                    static_cast<long>(std::floor(std::max(x0, x1))) + 1, 0};
        else
            rect = {static_cast<long>(std::floor(x0)) - offset, static_cast<long>(std::floor(std::min(y0, y1))), 0,
                    static_cast<long>(std::floor(std::max(y0, y1))) + 1};
        if (dy == 0.0f)
            rect.bottom = rect.top + lw;
        else
            rect.right = rect.left + lw;
        fillRect(rect, color, clip);
        return;
    }
    const CRect box{static_cast<long>(std::floor(std::min(x0, x1) - half - 1)),
                    static_cast<long>(std::floor(std::min(y0, y1) - half - 1)),
                    static_cast<long>(std::ceil(std::max(x0, x1) + half + 2)),
                    static_cast<long>(std::ceil(std::max(y0, y1) + half + 2))};
    const float cx0 = x0 + 0.5f;
    const float cy0 = y0 + 0.5f;
    fillShape(
        box,
        [=](float x, float y) {
            float t = lengthSquared > 0.0f ? ((x - cx0) * dx + (y - cy0) * dy) / lengthSquared : 0.0f;
            t = std::clamp(t, 0.0f, 1.0f);
            const float ex = x - (cx0 + t * dx);
            const float ey = y - (cy0 + t * dy);
            return std::sqrt(ex * ex + ey * ey) - half;
        },
        [=](float, float) { return color; }, clip);
}

void PixelBuffer::copyFrom(const PixelBuffer& source, int sourceX, int sourceY, CRect dest, const CRect& clip, bool keyed,
                      uint8_t alpha, uint32_t key)
{
    // Limit the destination to what the source can supply.
    dest.right = std::min<long>(dest.right, dest.left + source.width() - sourceX);
    dest.bottom = std::min<long>(dest.bottom, dest.top + source.height() - sourceY);
    if (sourceX < 0)
    {
        dest.left -= sourceX;
        sourceX = 0;
    }
    if (sourceY < 0)
    {
        dest.top -= sourceY;
        sourceY = 0;
    }
    const CRect area = clipped(dest, clip, bounds());
    key &= 0x00FFFFFFu;
    for (long y = area.top; y < area.bottom; ++y)
    {
        const long sy = sourceY + (y - dest.top);
        for (long x = area.left; x < area.right; ++x)
        {
            const uint32_t pixel = source.at(static_cast<int>(sourceX + (x - dest.left)), static_cast<int>(sy));
            if (keyed && (pixel & 0x00FFFFFFu) == key)
                continue;
            at(x, y) = blendOver(at(x, y), pixel, alpha);
        }
    }
}

void PixelBuffer::fillShape(CRect box, const Distance& distance, const Shader& shader, const CRect& clip)
{
    const CRect area = clipped(box, clip, bounds());
    for (long y = area.top; y < area.bottom; ++y)
        for (long x = area.left; x < area.right; ++x)
        {
            const float px = static_cast<float>(x) + 0.5f;
            const float py = static_cast<float>(y) + 0.5f;
            const float coverage = std::clamp(0.5f - distance(px, py), 0.0f, 1.0f);
            if (coverage > 0.0f)
                blendPixel(static_cast<int>(x), static_cast<int>(y), shader(px, py), coverage);
        }
}
