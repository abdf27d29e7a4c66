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
    // The anchor is given at the frame's zoom level; the text's box follows it.
    const int zoom = parentFrame ? parentFrame->getZoom() : kUnzoomed;
    const long left = size.left + textAnchor.h;
    const long top = size.top + textAnchor.v + zoomEdge(20, zoom);
    return {left, top, left + zoomEdge(128, zoom), top + zoomEdge(15, zoom)};
}

void CSplashScreenMyView::draw(CDrawContext* context)
{
    owner->drawPicture(context, size, transparencyEnabled);
    context->setFont(kNormalFontSmall, 9, 0);
    context->setFontColor(kBlackCColor);
    context->drawString(versionText, versionRect(), false, kCenterText);
    setDirty(false);
}
