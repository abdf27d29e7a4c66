// Geometry and colour types of the widget toolkit. Rectangles are
// (left, top, right, bottom) with right and bottom exclusive, in pixels of
// the frame; colours are red, green, blue and alpha bytes.
#pragma once

#include <algorithm>
#include <cstdint>

struct CPoint
{
    long h = 0;
    long v = 0;

    CPoint() = default;
    constexpr CPoint(long horizontal, long vertical) : h(horizontal), v(vertical) {}

    CPoint& offset(long dh, long dv)
    {
        h += dh;
        v += dv;
        return *this;
    }
    bool operator==(const CPoint& other) const = default;
};

struct CRect
{
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;

    CRect() = default;
    constexpr CRect(long l, long t, long r, long b) : left(l), top(t), right(r), bottom(b) {}

    long width() const { return right - left; }
    long height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }

    CRect& offset(long dh, long dv)
    {
        left += dh;
        right += dh;
        top += dv;
        bottom += dv;
        return *this;
    }
    CRect& moveTo(long newLeft, long newTop) { return offset(newLeft - left, newTop - top); }

    bool pointInside(const CPoint& where) const
    {
        return where.h >= left && where.h < right && where.v >= top && where.v < bottom;
    }
    bool rectOverlap(const CRect& other) const
    {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    // Clips this rectangle to `other`; an empty result has zero size.
    CRect& bound(const CRect& other)
    {
        left = std::max(left, other.left);
        top = std::max(top, other.top);
        right = std::max(left, std::min(right, other.right));
        bottom = std::max(top, std::min(bottom, other.bottom));
        return *this;
    }
    // Grows this rectangle to cover `other`; an empty rectangle takes `other`.
    CRect& unite(const CRect& other)
    {
        if (other.isEmpty())
            return *this;
        if (isEmpty())
            return *this = other;
        left = std::min(left, other.left);
        top = std::min(top, other.top);
        right = std::max(right, other.right);
        bottom = std::max(bottom, other.bottom);
        return *this;
    }
    bool operator==(const CRect& other) const = default;
};

struct CColor
{
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;

    bool operator==(const CColor& other) const = default;
    // The pixel form of the frame buffer: 0xAARRGGBB.
    uint32_t toPixel() const
    {
        return (uint32_t{alpha} << 24) | (uint32_t{red} << 16) | (uint32_t{green} << 8) | uint32_t{blue};
    }
    static CColor fromPixel(uint32_t pixel)
    {
        return {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel), uint8_t(pixel >> 24)};
    }
};

inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};
inline constexpr CColor kGreyCColor{127, 127, 127, 255};
inline constexpr CColor kRedCColor{255, 0, 0, 255};
// 24-bit bitmaps carry no alpha: this colour marks their see-through pixels.
inline constexpr CColor kTransparentKeyCColor{255, 0, 255, 255};
