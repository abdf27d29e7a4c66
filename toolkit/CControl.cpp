#include "CControl.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

CControl::CControl(const CRect& rect, CControlListener* controlListener, long controlTag, CBitmap* bitmap)
    : CView(rect), listener(controlListener), tag(controlTag)
{
    setBackground(bitmap);
}

CControl::~CControl() = default;

void CControl::bounceValue()
{
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
}

bool CControl::checkDefaultValue(CDrawContext* context, long buttons)
{
    if (buttons != (kControl | kLButton))
        return false;
    beginEdit();
    value = defaultValue;
    if (isDirty())
        notifyListener(context);
    endEdit();
    return true;
}

void CControl::beginEdit()
{
    if (parentFrame)
        parentFrame->beginEdit(tag);
}

void CControl::endEdit()
{
    if (parentFrame)
        parentFrame->endEdit(tag);
}

void CControl::setDirty(bool state)
{
    CView::setDirty(state);
    if (!state)
        oldValue = value;
}

bool CControl::isDirty() const
{
    return value != oldValue || CView::isDirty();
}

long CControl::acceptPress(CDrawContext* context, long buttons)
{
    if (!mouseEnabled || !context)
        return 0;
    if (buttons == -1)
        buttons = context->getMouseButtons();
    if (!(buttons & kLButton))
        return 0;
    if (listener && (buttons & kModifierMask) && listener->controlModifierClicked(context, this, buttons) != 0)
        return 0;
    return buttons;
}

void CControl::notifyListener(CDrawContext* context)
{
    if (listener)
        listener->valueChanged(context, this);
}

void CControl::drawBackgroundFrom(CDrawContext* context, const CPoint& source)
{
    if (!background)
        return;
    if (transparencyEnabled)
        background->drawTransparent(context, size, source);
    else
        background->draw(context, size, source);
}

bool CControl::stepByWheel(CDrawContext* context, float distance)
{
    if (!mouseEnabled)
        return false;
    beginEdit();
    value += distance * wheelInc * (vmax - vmin);
    bounceValue();
    if (isDirty())
        notifyListener(context);
    endEdit();
    return true;
}

void CControl::finishTrackingStep(CDrawContext* context)
{
    bounceValue();
    if (isDirty())
        notifyListener(context);
    doIdleStuff();
}

void CControl::doIdleStuff()
{
    if (parentFrame)
        parentFrame->doIdleStuff();
}
