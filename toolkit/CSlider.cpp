#include "CSlider.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <cmath>

CHorizontalSlider::CHorizontalSlider(const CRect& rect, CControlListener* controlListener, long controlTag,
                                     long minimumPos, long maximumPos, CBitmap* handleBitmap, CBitmap* bitmap,
                                     const CPoint& offset, long sliderStyle)
    : CControl(rect, controlListener, controlTag, bitmap), handle(handleBitmap), minPos(minimumPos),
      maxPos(std::max(minimumPos, maximumPos)), style(sliderStyle)
{
    if (handle)
    {
        handle->remember();
        offsetHandle = CPoint(0, (rect.height() - handle->getHeight()) / 2);
    }
    backOffset = offset;
    defaultValue = 0.0f;
}

CHorizontalSlider::~CHorizontalSlider()
{
    if (handle)
        handle->forget();
}

CRect CHorizontalSlider::handleRect() const
{
    const float range = vmax - vmin;
    float normalized = range != 0.0f ? (value - vmin) / range : 0.0f;
    normalized = std::clamp(normalized, 0.0f, 1.0f);
    if (style & kRight)
        normalized = 1.0f - normalized;
    const long left = minPos + std::lround(normalized * static_cast<float>(maxPos - minPos));
    const long width = handle ? handle->getWidth() : 0;
    const long height = handle ? handle->getHeight() : size.height();
    const long top = size.top + offsetHandle.v;
    return {left, top, left + width, top + height};
}

float CHorizontalSlider::valueAtHandle(long handleLeft) const
{
    const long range = maxPos - minPos;
    float normalized = range > 0 ? static_cast<float>(handleLeft - minPos) / static_cast<float>(range) : 0.0f;
    if (style & kRight)
        normalized = 1.0f - normalized;
    return vmin + normalized * (vmax - vmin);
}

void CHorizontalSlider::draw(CDrawContext* context)
{
    drawBackgroundFrom(context, backOffset);
    if (handle)
        handle->drawTransparent(context, handleRect());
    setDirty(false);
}

void CHorizontalSlider::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    buttons = acceptPress(context, buttons);
    if (!buttons || checkDefaultValue(context, buttons))
        return;
    const CRect grip = handleRect();
    if (!freeClick && !grip.pointInside(where))
        return;
    beginEdit();
    // Where in the handle the pointer holds it.
    long hold = where.h - grip.left;
    if (!grip.pointInside(where))
    {
        hold = grip.width() / 2;
        value = valueAtHandle(where.h - hold);
        finishTrackingStep(context);
    }
    long anchorX = where.h;
    float anchorValue = value;
    long lastButtons = buttons;
    for (;;)
    {
        const long now = context->getMouseButtons();
        if (!(now & kLButton))
            break;
        context->getMouseLocation(where);
        if ((now & kShift) != (lastButtons & kShift))
        {
            anchorX = where.h;
            anchorValue = value;
        }
        if (now & kShift)
        {
            const float range = static_cast<float>(std::max(1L, maxPos - minPos)) * zoomFactor;
            const float direction = (style & kRight) ? -1.0f : 1.0f;
            value = anchorValue + direction * static_cast<float>(where.h - anchorX) * (vmax - vmin) / range;
        }
        else
            value = valueAtHandle(where.h - hold);
        lastButtons = now;
        finishTrackingStep(context);
    }
    endEdit();
}

bool CHorizontalSlider::onWheel(CDrawContext* context, const CPoint&, float distance)
{
    return stepByWheel(context, distance);
}
