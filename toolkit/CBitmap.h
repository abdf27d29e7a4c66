// A bitmap loaded from the module's bitmap resources by id (or made from
// pixels), shared by reference count between the controls that draw it.
// Resources are bitmaps at 100 % and PNG images at the other zoom levels.
// Pixels equal to the transparent colour are skipped by drawTransparent.
#pragma once

#include "CGraphics.h"
#include "CReferenceCounter.h"
#include "draw/PixelBuffer.h"

class CDrawContext;

class CBitmap : public CReferenceCounter
{
public:
    explicit CBitmap(long resourceId);
    CBitmap(long width, long height);
    explicit CBitmap(PixelBuffer image);
    ~CBitmap() override;

    long getResourceId() const { return resourceId; }
    long getWidth() const { return image.width(); }
    long getHeight() const { return image.height(); }
    // False when the resource was missing or unreadable (the bitmap is then empty).
    bool isLoaded() const { return !image.empty(); }

    // Draws into `dest` the part of the bitmap that starts at `offset`.
    void draw(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint(0, 0));
    void drawTransparent(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint(0, 0));
    void drawAlphaBlend(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint(0, 0),
                        unsigned char alpha = 128);

    void setTransparentColor(const CColor& color) { transparentColor = color; }
    CColor getTransparentColor() const { return transparentColor; }

    PixelBuffer& getPixels() { return image; }
    const PixelBuffer& getPixels() const { return image; }

    // The width (h) and height (v) of a 100 % bitmap resource, from its
    // header alone; (0, 0) when there is none.
    static CPoint resourceSize(long resourceId);

    // Bitmaps alive in the process, for leak checks.
    static long liveCount();

private:
    void blit(CDrawContext* context, const CRect& dest, const CPoint& offset, bool keyed, unsigned char alpha);

    long resourceId = 0;
    PixelBuffer image;
    CColor transparentColor = kTransparentKeyCColor;
};
