// The About splash: an invisible zone on the title strip (CAbout, drawing
// nothing like every CSplashScreen) that
// opens the About picture as the frame's modal view (CSplashScreenMyView),
// with the version drawn at the text anchor; a left click on the picture
// closes it.
#pragma once

#include "CSplashScreen.h"

class CAbout : public CSplashScreen
{
public:
    CAbout(const CRect& size, CControlListener* listener, long tag, CBitmap* splash, const CRect& toDisplay,
           const CPoint& offset, const CPoint& textAnchor);
    ~CAbout() override;

    // Opening (CSplashScreen::mouse) shows a CSplashScreenMyView.
    CView* createSplashView() override;

    const CPoint& getTextAnchor() const { return textAnchor; }

protected:
    CPoint textAnchor;
};

// The picture with the version text; closed by a left click (CSplashScreenView).
class CSplashScreenMyView : public CSplashScreenView
{
public:
    static constexpr const char* kVersionText = "v.1.6.0";

    CSplashScreenMyView(CAbout* owner, const CPoint& textAnchor);
    ~CSplashScreenMyView() override;

    void draw(CDrawContext* context) override;

    // Where the version text goes, in frame pixels.
    CRect versionRect() const;
    const char* getVersionText() const { return versionText; }

protected:
    CPoint textAnchor;
    char versionText[16];
};
