// The editor's zoom levels and the one rule that places panel geometry at a
// level: an edge at panel pixel e lands on round(e x level / 100), halves
// away from zero. Rectangles are half-open, so neighbours that share an edge
// at 100 % share it at every level and never overlap. The bitmap generator
// draws with the same rule, so bitmaps fit their places exactly.
//
// Threads: constants and pure functions only.
#pragma once

#include "CGraphics.h"

inline constexpr int kZoomLevels[] = {100, 150, 200};
inline constexpr int kZoomLevelCount = 3;
inline constexpr int kUnzoomed = 100;

constexpr bool isZoomLevel(int percent)
{
    return percent == 100 || percent == 150 || percent == 200;
}

constexpr long zoomEdge(long edge, int percent)
{
    const long scaled = edge * percent;
    return scaled >= 0 ? (scaled + 50) / 100 : -((-scaled + 50) / 100);
}

constexpr CRect zoomRect(const CRect& rect, int percent)
{
    return {zoomEdge(rect.left, percent), zoomEdge(rect.top, percent), zoomEdge(rect.right, percent),
            zoomEdge(rect.bottom, percent)};
}

constexpr CPoint zoomPoint(const CPoint& point, int percent)
{
    return {zoomEdge(point.h, percent), zoomEdge(point.v, percent)};
}

// A length that must stay visible (a line width): at least one pixel.
constexpr long zoomWidth(long width, int percent)
{
    const long scaled = zoomEdge(width, percent);
    return scaled < 1 ? 1 : scaled;
}

// The level a screen of `dpi` dots per inch asks for: the largest level not
// above dpi / 96 (96 gives 100 %, 144 gives 150 %, 192 and more 200 %);
// an unknown density (0 or less) gives 100 %.
constexpr int zoomForDpi(int dpi)
{
    int level = kUnzoomed;
    for (int candidate : kZoomLevels)
        if (dpi > 0 && candidate * 96 <= dpi * 100)
            level = candidate;
    return level;
}
