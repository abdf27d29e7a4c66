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

CView* CAbout::createSplashView()
{
    return new CSplashScreenMyView(this, textAnchor);
}

CSplashScreenMyView::CSplashScreenMyView(CAbout* about, const CPoint& anchor)
    : CSplashScreenView(about), textAnchor(anchor)
{
    std::strcpy(versionText, kVersionText);
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
