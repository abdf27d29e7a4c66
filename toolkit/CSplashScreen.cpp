#include "CSplashScreen.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

CSplashScreen::CSplashScreen(const CRect& rect, CControlListener* controlListener, long controlTag, CBitmap* bitmap,
                             const CRect& displayRect, const CPoint& sourceOffset)
    : CControl(rect, controlListener, controlTag, bitmap), toDisplay(displayRect), offset(sourceOffset)
{
    defaultValue = 0.0f;
}

CSplashScreen::~CSplashScreen() = default;

void CSplashScreen::draw(CDrawContext*)
{
    setDirty(false);
}

bool CSplashScreen::hitTest(const CPoint& where, long buttons)
{
    return CControl::hitTest(where, buttons) && (buttons & kLButton);
}

CView* CSplashScreen::createSplashView()
{
    return new CSplashScreenView(this);
}

void CSplashScreen::mouse(CDrawContext* context, CPoint&, long buttons)
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
    CView* view = createSplashView();
    if (parentFrame && parentFrame->setModalView(view))
        notifyListener(context);
    else
    {
        // Nothing shows it: the view is not kept and the splash stays closed.
        view->forget();
        value = 0.0f;
    }
    setDirty(true);
}

void CSplashScreen::unSplash(CDrawContext* context)
{
    const bool wasShown = value != 0.0f;
    value = 0.0f;
    setDirty(true);
    if (wasShown)
        notifyListener(context);
}

CSplashScreenView::CSplashScreenView(CSplashScreen* splash) : CView(splash->getDisplayRect()), owner(splash)
{
    setBackground(splash->getBackground());
    setTransparency(splash->getTransparency());
}

CSplashScreenView::~CSplashScreenView() = default;

void CSplashScreen::drawPicture(CDrawContext* context, const CRect& dest, bool transparent) const
{
    if (!background)
        return;
    if (!transparent)
        background->draw(context, dest, offset);
    else if (bitmapTransparency != 0)
        background->drawAlphaBlend(context, dest, offset, bitmapTransparency);
    else
        background->drawTransparent(context, dest, offset);
}

void CSplashScreenView::draw(CDrawContext* context)
{
    owner->drawPicture(context, size, transparencyEnabled);
    setDirty(false);
}

void CSplashScreenView::mouse(CDrawContext* context, CPoint&, long buttons)
{
    if (buttons == -1 && context)
        buttons = context->getMouseButtons();
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
