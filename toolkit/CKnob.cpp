#include "CKnob.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cmath>
#include <numbers>

namespace
{
// The arc runs clockwise from 225 degrees (value 0, lower left) through the
// top to -45 degrees (value 1, lower right).
constexpr double kStartAngle = 1.25 * std::numbers::pi;
constexpr double kSweep = 1.5 * std::numbers::pi;
constexpr float kLinearRange = 200.0f;
constexpr float kFineFactor = 10.0f;
} // namespace

CKnob::CKnob(const CRect& rect, CControlListener* controlListener, long controlTag, CBitmap* bitmap,
             CBitmap* handleBitmap, const CPoint& backgroundOffset)
    : CControl(rect, controlListener, controlTag, bitmap), handle(handleBitmap), offset(backgroundOffset)
{
    if (handle)
        handle->remember();
    backOffset = backgroundOffset;
}

CKnob::~CKnob()
{
    if (handle)
        handle->forget();
}

void CKnob::draw(CDrawContext* context)
{
    drawBackgroundFrom(context, backOffset);
    drawHandle(context);
    setDirty(false);
}

void CKnob::drawHandle(CDrawContext* context)
{
    const float range = vmax - vmin;
    const double normalized = range != 0.0f ? (value - vmin) / range : 0.0;
    const double angle = kStartAngle - normalized * kSweep;
    const double cx = static_cast<double>(size.left + size.right) * 0.5;
    const double cy = static_cast<double>(size.top + size.bottom) * 0.5;
    const double radius = std::min(size.width(), size.height()) * 0.5 - static_cast<double>(insetValue);
    const CPoint tip(std::lround(cx + std::cos(angle) * radius), std::lround(cy - std::sin(angle) * radius));
    if (handle)
    {
        const long w = handle->getWidth();
        const long h = handle->getHeight();
        handle->drawTransparent(context, CRect(tip.h - w / 2, tip.v - h / 2, tip.h - w / 2 + w, tip.v - h / 2 + h));
        return;
    }
    context->setFrameColor(colorHandle);
    context->setLineWidth(2);
    context->drawLine(CPoint(std::lround(cx), std::lround(cy)), tip);
    context->setLineWidth(1);
}

float CKnob::valueFromPoint(const CPoint& where) const
{
    const double cx = static_cast<double>(size.left + size.right) * 0.5;
    const double cy = static_cast<double>(size.top + size.bottom) * 0.5;
    const double angle = std::atan2(cy - static_cast<double>(where.v), static_cast<double>(where.h) - cx);
    double along = std::fmod(kStartAngle - angle, 2.0 * std::numbers::pi);
    if (along < 0.0)
        along += 2.0 * std::numbers::pi;
    double normalized = along / kSweep;
    if (normalized > 1.0) // in the gap below the knob: the nearer end
        normalized = along < kSweep + (2.0 * std::numbers::pi - kSweep) * 0.5 ? 1.0 : 0.0;
    return vmin + static_cast<float>(normalized) * (vmax - vmin);
}

void CKnob::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    buttons = acceptPress(context, buttons);
    if (!buttons || checkDefaultValue(context, buttons))
        return;
    const long mode = parentFrame ? parentFrame->getKnobMode() : kCircularMode;
    const int zoom = parentFrame ? parentFrame->getZoom() : kUnzoomed;
    beginEdit();
    CPoint anchor = where;
    float anchorValue = value;
    long lastButtons = buttons;
    float lastAngleValue = valueFromPoint(where);
    if (mode == kCircularMode)
    {
        value = lastAngleValue;
        finishTrackingStep(context);
    }
    for (;;)
    {
        const long now = context->getMouseButtons();
        if (!(now & kLButton))
            break;
        context->getMouseLocation(where);
        if (mode == kLinearMode)
        {
            if ((now & kShift) != (lastButtons & kShift))
            {
                anchor = where;
                anchorValue = value;
            }
            // The drag that spans the range grows with the panel.
            const float zoomed = kLinearRange * static_cast<float>(zoom) / 100.0f;
            const float range = (now & kShift) ? zoomed * kFineFactor : zoomed;
            const auto delta = static_cast<float>((where.h - anchor.h) + (anchor.v - where.v));
            value = anchorValue + delta * (vmax - vmin) / range;
        }
        else
        {
            const float angleValue = valueFromPoint(where);
            if (mode == kRelativCircularMode)
                value += (angleValue - lastAngleValue) / ((now & kShift) ? kFineFactor : 1.0f);
            else
                value = angleValue;
            lastAngleValue = angleValue;
        }
        lastButtons = now;
        finishTrackingStep(context);
    }
    endEdit();
}

bool CKnob::onWheel(CDrawContext* context, const CPoint&, float distance)
{
    return stepByWheel(context, distance);
}

CAnimKnob::CAnimKnob(const CRect& rect, CControlListener* controlListener, long controlTag, long pixmaps,
                     long imageHeight, CBitmap* bitmap, const CPoint& backgroundOffset)
    : CKnob(rect, controlListener, controlTag, bitmap, nullptr, backgroundOffset), subPixmaps(std::max(1L, pixmaps)),
      heightOfOneImage(std::max(1L, imageHeight))
{
}

CAnimKnob::~CAnimKnob() = default;

long CAnimKnob::imageTop() const
{
    if (value < 0.0f)
        return 0;
    const auto strip = static_cast<float>(heightOfOneImage * (subPixmaps - 1));
    const float shown = inverseBitmap ? 1.0f - value : value;
    auto top = static_cast<long>(shown * strip);
    top = std::clamp(top, 0L, heightOfOneImage * (subPixmaps - 1));
    return top - top % heightOfOneImage;
}

void CAnimKnob::draw(CDrawContext* context)
{
    drawBackgroundFrom(context, CPoint(0, imageTop()));
    setDirty(false);
}
