// A zone that shows a picture over the frame. Value 0 = closed, 1 = shown.
// A press on the zone: ignored with mouse input off; a press with a modifier
// key is offered to the listener first (controlModifierClicked, non-zero
// takes it); then, with the left button, the value toggles and, when it
// opens, the splash view (drawing `toDisplay` from the bitmap) becomes the
// frame's modal view and the listener is told. A left click on that view
// closes it again (unSplash). The zone itself draws nothing.
#pragma once

#include "CControl.h"

class CSplashScreen : public CControl
{
public:
    CSplashScreen(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                  const CRect& toDisplay, const CPoint& offset = CPoint(0, 0));
    ~CSplashScreen() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    // Inside the zone and with the left button.
    bool hitTest(const CPoint& where, long buttons = -1) override;
    // Value back to 0; the listener is told if it was not 0 already.
    virtual void unSplash(CDrawContext* context = nullptr);
    // The view shown while open; the frame takes it as its modal view.
    virtual CView* createSplashView();

    const CRect& getDisplayRect() const { return toDisplay; }
    const CPoint& getOffset() const { return offset; }
    // Opacity for drawing the picture with transparency on (0: colour key only).
    void setBitmapTransparency(unsigned char value) { bitmapTransparency = value; }
    unsigned char getBitmapTransparency() const { return bitmapTransparency; }
    // Draws the picture into `dest` from the offset: plainly, or with
    // transparency alpha-blended (bitmap transparency set) or colour-keyed.
    void drawPicture(CDrawContext* context, const CRect& dest, bool transparent) const;

protected:
    CRect toDisplay;
    CPoint offset;
    unsigned char bitmapTransparency = 0;
};

// The view a CSplashScreen shows: its picture, closed by a left click.
class CSplashScreenView : public CView
{
public:
    // Shows the owner's display rectangle, background and transparency.
    explicit CSplashScreenView(CSplashScreen* owner);
    ~CSplashScreenView() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

protected:
    CSplashScreen* owner;
};
