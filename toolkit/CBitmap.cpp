#include "CBitmap.h"

#include "BitmapResources.h"
#include "CDrawContext.h"
#include "draw/ImageFiles.h"

#include <atomic>

namespace
{
std::atomic<long> liveBitmaps{0};
}

CBitmap::CBitmap(long id) : resourceId(id)
{
    ++liveBitmaps;
    const EmbeddedData data = findBitmapResource(id);
    decodeImage(data.begin, data.size, image);
}

CBitmap::CBitmap(long width, long height) : image(static_cast<int>(width), static_cast<int>(height))
{
    ++liveBitmaps;
}

CBitmap::CBitmap(PixelBuffer pixels) : image(std::move(pixels))
{
    ++liveBitmaps;
}

CBitmap::~CBitmap()
{
    --liveBitmaps;
}

CPoint CBitmap::resourceSize(long id)
{
    const EmbeddedData data = findBitmapResource(id);
    int width = 0;
    int height = 0;
    if (!bitmapSize(data.begin, data.size, width, height))
        return {};
    return {width, height};
}

long CBitmap::liveCount()
{
    return liveBitmaps.load();
}

void CBitmap::blit(CDrawContext* context, const CRect& dest, const CPoint& offset, bool keyed, unsigned char alpha)
{
    if (!context || image.empty())
        return;
    context->drawPixmap(image, dest, offset, keyed, alpha, transparentColor.toPixel());
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& offset)
{
    blit(context, dest, offset, false, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& dest, const CPoint& offset)
{
    blit(context, dest, offset, true, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& dest, const CPoint& offset, unsigned char alpha)
{
    blit(context, dest, offset, true, alpha);
}
