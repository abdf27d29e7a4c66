// Drawing helpers of the bitmap generator: anti-aliased shapes, gradients
// and labels on a PixelBuffer. Coordinates are pixel edges (a pixel's centre is
// at +0.5); angles are radians, counter-clockwise from the right.
//
// The artwork is described in panel pixels at 100 %. The shape and label
// helpers draw it at the zoom level set with setZoom: every coordinate, size,
// radius and width they are given is multiplied by level / 100 (at 100 %
// nothing changes), and places on the panel follow its edge rule (Zoom.h).
// crop, paste and keyUnchanged work on the pixels as they are.
#pragma once

#include "Zoom.h"
#include "draw/Font.h"
#include "draw/PixelBuffer.h"

#include <string_view>

namespace paint
{
// The generator draws one level at a time.
void setZoom(int percent);
int zoom();
// level / 100.
float scale();
// A panel rectangle at the current level.
CRect zoomed(const CRect& rect);
// A panel rectangle's place relative to `origin`'s place: where a part of a
// bitmap drawn for the place at `origin` lands inside it.
CRect placeWithin(const CRect& rect, CPoint origin);
// Fills a panel rectangle (placed at the current level) with one colour.
void fill(PixelBuffer& image, const CRect& rect, CColor color);

CColor rgb(int red, int green, int blue, int alpha = 255);
CColor mix(CColor a, CColor b, float t);

void roundRect(PixelBuffer& image, float left, float top, float right, float bottom, float radius, CColor color);
void roundRectGradient(PixelBuffer& image, float left, float top, float right, float bottom, float radius, CColor upper,
                       CColor lower);
// A one-pixel outline of a rounded rectangle.
void roundRectOutline(PixelBuffer& image, float left, float top, float right, float bottom, float radius, CColor color,
                      float width = 1.0f);
void circle(PixelBuffer& image, float cx, float cy, float radius, CColor color);
void circleGradient(PixelBuffer& image, float cx, float cy, float radius, CColor upper, CColor lower);
// A soft round glow fading from `color` at the centre to nothing at radius.
void glow(PixelBuffer& image, float cx, float cy, float radius, CColor color);
void ring(PixelBuffer& image, float cx, float cy, float innerRadius, float outerRadius, CColor color);
// An arc band from angle `from` clockwise to angle `to` (from > to).
void arc(PixelBuffer& image, float cx, float cy, float radius, float width, float from, float to, CColor color);
void line(PixelBuffer& image, float x0, float y0, float x1, float y1, float width, CColor color);
void triangle(PixelBuffer& image, float x0, float y0, float x1, float y1, float x2, float y2, CColor color);

enum class Align
{
    left,
    centre,
    right
};
// A label whose capitals are vertically centred on `middle`; x is its left
// edge, centre or right edge. Tracking adds space between letters.
void label(PixelBuffer& image, std::string_view text, float x, float middle, float size, bool bold, CColor color,
           Align align = Align::centre, float tracking = 0.0f);
float labelWidth(std::string_view text, float size, bool bold, float tracking = 0.0f);

PixelBuffer crop(const PixelBuffer& image, const CRect& area);
void paste(PixelBuffer& image, const PixelBuffer& part, long left, long top);
// Marks every pixel equal to the reference's (unchanged by drawing) with
// the transparent key, so only what was drawn shows.
void keyUnchanged(PixelBuffer& image, const PixelBuffer& reference);
// A deterministic hash noise in -1..1 for an integer pair.
float noise(int x, int y);
} // namespace paint
