#include "CAbout.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cstring>

CAbout::CAbout(const CRect& rect, CControlListener* controlListener, long controlTag, CBitmap* splash,
               const CRect& displayRect, const CPoint& sourceOffset, const CPoint& anchor)
    : CSplashScreen(rect, controlListener, controlTag, splash, displayRect, sourceOffset), textAnchor(anchor)
{
}

CAbout::~CAbout() = default;

void CAbout::draw(CDrawContext*)
{
    // Invisible: the panel shows through.
    setDirty(false);
}

void CAbout::mouse(CDrawContext* context, CPoint&, long buttons)
{
    if (!mouseEnabled)
        return;
    if (buttons == -1)
        buttons = context ? context->getMouseButtons() : 0;
    if (listener && (buttons & kModifierMask) && listener->controlModifierClicked(context, this, buttons) != 0)
        return;
    if (!(buttons & kLButton))
        return;
    value = value == 0.0f ? 1.0f : 0.0f;
    if (value == 0.0f)
        return;
    auto* view = new CSplashScreenMyView(toDisplay, this, textAnchor);
    if (parentFrame && parentFrame->setModalView(view))
        notifyListener(context);
    else
    {
        // Nothing shows it: the view is not kept and the About stays closed.
        view->forget();
        value = 0.0f;
    }
    setDirty(true);
}

CSplashScreenMyView::CSplashScreenMyView(const CRect& rect, CAbout* about, const CPoint& anchor)
    : CView(rect), textAnchor(anchor), owner(about)
{
    std::strcpy(versionText, kVersionText);
    setTransparency(about->getTransparency());
    setBackground(about->getBackground());
}

CSplashScreenMyView::~CSplashScreenMyView() = default;

CRect CSplashScreenMyView::versionRect() const
{
    const long left = size.left + textAnchor.h;
    const long top = size.top + textAnchor.v + 20;
    return {left, top, left + 128, top + 15};
}

void CSplashScreenMyView::draw(CDrawContext* context)
{
    owner->drawPicture(context, size, transparencyEnabled);
    context->setFont(kNormalFontSmall, 9, 0);
    context->setFontColor(kBlackCColor);
    context->drawString(versionText, versionRect(), false, kCenterText);
    setDirty(false);
}

void CSplashScreenMyView::mouse(CDrawContext* context, CPoint&, long buttons)
{
    if (buttons == -1)
        buttons = context ? context->getMouseButtons() : 0;
    if (!(buttons & kLButton))
        return;
    CFrame* frame = getFrame();
    owner->unSplash(context);
    if (frame)
    {
        frame->setDirty(true);
        frame->setModalView(nullptr);
    }
    forget();
}
