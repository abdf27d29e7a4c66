// A 32-bit pixel image (0xAARRGGBB, rows top to bottom) and the raster
// operations the toolkit and the bitmap generator draw with. Every operation
// clips to the image and to the given clip rectangle.
#pragma once

#include "../CGraphics.h"

#include <cstdint>
#include <functional>
#include <vector>

class PixelBuffer
{
public:
    PixelBuffer() = default;
    PixelBuffer(int width, int height, uint32_t fill = 0xFF000000u);

    int width() const { return w; }
    int height() const { return h; }
    CRect bounds() const { return {0, 0, w, h}; }
    bool empty() const { return w == 0 || h == 0; }

    uint32_t* data() { return pixels.data(); }
    const uint32_t* data() const { return pixels.data(); }
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * w + x]; }
    uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * w + x]; }

    // Blends `color` over one pixel with the colour's alpha scaled by coverage (0..1).
    void blendPixel(int x, int y, CColor color, float coverage = 1.0f);

    void fillRect(CRect rect, CColor color, const CRect& clip);
    void frameRect(CRect rect, CColor color, int lineWidth, const CRect& clip);
    // A line of the given width from (x0, y0) to (x1, y1), pixel centres at .5.
    void drawLine(float x0, float y0, float x1, float y1, float lineWidth, CColor color, const CRect& clip);

    // Copies the part of `source` that starts at (sourceX, sourceY) into `dest`.
    // keyed: pixels equal to the key colour are skipped. alpha: 255 copies,
    // less blends the source over the image with that opacity.
    void copyFrom(const PixelBuffer& source, int sourceX, int sourceY, CRect dest, const CRect& clip, bool keyed = false,
                  uint8_t alpha = 255, uint32_t key = kTransparentKeyCColor.toPixel());

    // Anti-aliased fill of a shape given by its signed distance (negative
    // inside, in pixels) at each pixel centre, within `box`. The shader gives
    // the colour at a pixel centre.
    using Distance = std::function<float(float x, float y)>;
    using Shader = std::function<CColor(float x, float y)>;
    void fillShape(CRect box, const Distance& distance, const Shader& shader, const CRect& clip);

private:
    int w = 0;
    int h = 0;
    std::vector<uint32_t> pixels;
};

// Blends `top` over `bottom` (opaque result) with an opacity of 0..255.
uint32_t blendOver(uint32_t bottom, uint32_t top, unsigned opacity);
