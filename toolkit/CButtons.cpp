#include "CButtons.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <cmath>

void drawStripImage(CDrawContext* context, CBitmap* bitmap, const CRect& dest, const CPoint& offset, long imageHeight,
                    long index, bool transparent)
{
    if (!bitmap)
        return;
    const CPoint source(offset.h, offset.v + index * imageHeight);
    if (transparent)
        bitmap->drawTransparent(context, dest, source);
    else
        bitmap->draw(context, dest, source);
}

COnOffButton::COnOffButton(const CRect& rect, CControlListener* controlListener, long controlTag, CBitmap* bitmap,
                           long buttonStyle)
    : CControl(rect, controlListener, controlTag, bitmap), style(buttonStyle)
{
}

COnOffButton::~COnOffButton() = default;

void COnOffButton::draw(CDrawContext* context)
{
    drawStripImage(context, background, size, CPoint(), size.height(), value == vmax ? 1 : 0, transparencyEnabled);
    setDirty(false);
}

void COnOffButton::mouse(CDrawContext* context, CPoint&, long buttons)
{
    if (!acceptPress(context, buttons))
        return;
    beginEdit();
    value = value == vmax ? vmin : vmax;
    notifyListener(context);
    doIdleStuff();
    endEdit();
}

CKickButton::CKickButton(const CRect& rect, CControlListener* controlListener, long controlTag, long imageHeight,
                         CBitmap* bitmap, const CPoint& sourceOffset)
    : CControl(rect, controlListener, controlTag, bitmap), heightOfOneImage(imageHeight), offset(sourceOffset)
{
}

CKickButton::~CKickButton() = default;

void CKickButton::draw(CDrawContext* context)
{
    drawStripImage(context, background, size, offset, heightOfOneImage, value == vmax ? 1 : 0, transparencyEnabled);
    setDirty(false);
}

void CKickButton::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    if (!acceptPress(context, buttons))
        return;
    beginEdit();
    value = vmax;
    notifyListener(context);
    doIdleStuff();
    for (;;)
    {
        if (!(context->getMouseButtons() & kLButton))
            break;
        context->getMouseLocation(where);
        value = size.pointInside(where) ? vmax : vmin;
        if (isDirty())
            notifyListener(context);
        doIdleStuff();
    }
    if (value == vmax)
    {
        value = vmin;
        notifyListener(context);
    }
    endEdit();
}

CRockerSwitch::CRockerSwitch(const CRect& rect, CControlListener* controlListener, long controlTag, long imageHeight,
                             CBitmap* bitmap, const CPoint& sourceOffset, long rockerStyle)
    : CControl(rect, controlListener, controlTag, bitmap), heightOfOneImage(imageHeight), offset(sourceOffset),
      style(rockerStyle)
{
    vmin = -1.0f;
    vmax = 1.0f;
    value = 0.0f;
    defaultValue = 0.0f;
}

CRockerSwitch::~CRockerSwitch() = default;

void CRockerSwitch::draw(CDrawContext* context)
{
    const long index = value == vmax ? 2 : value == vmin ? 0 : 1;
    drawStripImage(context, background, size, offset, heightOfOneImage, index, transparencyEnabled);
    setDirty(false);
}

int CRockerSwitch::sideOf(const CPoint& where) const
{
    if (!size.pointInside(where))
        return 0;
    if (style & kVertical)
        return where.v <= size.top + size.height() / 2 ? -1 : 1;
    return where.h <= size.left + size.width() / 2 ? -1 : 1;
}

void CRockerSwitch::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    if (!acceptPress(context, buttons))
        return;
    beginEdit();
    for (bool first = true;; first = false)
    {
        if (!first)
        {
            if (!(context->getMouseButtons() & kLButton))
                break;
            context->getMouseLocation(where);
        }
        const int side = sideOf(where);
        value = side < 0 ? vmin : side > 0 ? vmax : 0.0f;
        if (isDirty())
            notifyListener(context);
        doIdleStuff();
    }
    value = 0.0f;
    notifyListener(context);
    endEdit();
}

bool CRockerSwitch::onWheel(CDrawContext* context, const CPoint&, float distance)
{
    if (!mouseEnabled)
        return false;
    value = distance > 0.0f ? vmax : vmin;
    notifyListener(context);
    value = 0.0f;
    notifyListener(context);
    return true;
}

CMovieBitmap::CMovieBitmap(const CRect& rect, CControlListener* controlListener, long controlTag, long pixmaps,
                           long imageHeight, CBitmap* bitmap, const CPoint& sourceOffset)
    : CControl(rect, controlListener, controlTag, bitmap), subPixmaps(std::max(1L, pixmaps)),
      heightOfOneImage(imageHeight), offset(sourceOffset)
{
    // A display: clicks go to whatever lies below.
    mouseEnabled = false;
}

CMovieBitmap::~CMovieBitmap() = default;

long CMovieBitmap::imageIndex() const
{
    const auto index = static_cast<long>(value * static_cast<float>(subPixmaps - 1) + 0.5f);
    return std::clamp(index, 0L, subPixmaps - 1);
}

void CMovieBitmap::draw(CDrawContext* context)
{
    drawStripImage(context, background, size, offset, heightOfOneImage, imageIndex(), transparencyEnabled);
    setDirty(false);
}
