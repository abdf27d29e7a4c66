// The About splash: an invisible zone on the title strip (CAbout) that
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

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

    const CPoint& getTextAnchor() const { return textAnchor; }

protected:
    CPoint textAnchor;
};

class CSplashScreenMyView : public CView
{
public:
    static constexpr const char* kVersionText = "v.1.6.0";

    CSplashScreenMyView(const CRect& size, CAbout* owner, const CPoint& textAnchor);
    ~CSplashScreenMyView() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

    // Where the version text goes, in frame pixels.
    CRect versionRect() const;
    const char* getVersionText() const { return versionText; }

protected:
    CPoint textAnchor;
    char versionText[16];
    CAbout* owner;
};
