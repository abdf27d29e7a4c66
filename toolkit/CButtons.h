// Bitmap buttons and the movie bitmap. Every bitmap holds its images
// stacked vertically; image k starts k image heights below the offset.
#pragma once

#include "CControl.h"

// Two images (off, on); a click toggles the value between minimum and maximum.
class COnOffButton : public CControl
{
public:
    COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background, long style = 0);
    ~COnOffButton() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    virtual long getStyle() const { return style; }
    virtual void setStyle(long newStyle) { style = newStyle; }

protected:
    long style;
};

// Momentary: shows the pressed image (value at maximum) while the button is
// held with the pointer over it, and reports a release over it as the value
// at maximum followed by the value at minimum.
class CKickButton : public CControl
{
public:
    CKickButton(const CRect& size, CControlListener* listener, long tag, long heightOfOneImage, CBitmap* background,
                const CPoint& offset = CPoint(0, 0));
    ~CKickButton() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

protected:
    long heightOfOneImage;
    CPoint offset;
};

// Value -1, 0 or +1 with three images (minimum, rest, maximum): pressed on its
// left (upper) half it goes to -1, on the other half to +1, and back to 0 on
// release.
class CRockerSwitch : public CControl
{
public:
    CRockerSwitch(const CRect& size, CControlListener* listener, long tag, long heightOfOneImage,
                  CBitmap* background, const CPoint& offset = CPoint(0, 0), long style = kHorizontal);
    ~CRockerSwitch() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    virtual long getStyle() const { return style; }

protected:
    // -1 for the left (upper) half, middle included; +1 for the other half; 0 outside.
    int sideOf(const CPoint& where) const;

    long heightOfOneImage;
    CPoint offset;
    long style;
};

// Display only: shows image trunc(value x (subPixmaps - 1) + 0.5).
class CMovieBitmap : public CControl
{
public:
    CMovieBitmap(const CRect& size, CControlListener* listener, long tag, long subPixmaps, long heightOfOneImage,
                 CBitmap* background, const CPoint& offset = CPoint(0, 0));
    ~CMovieBitmap() override;

    void draw(CDrawContext* context) override;
    long imageIndex() const;

protected:
    long subPixmaps;
    long heightOfOneImage;
    CPoint offset;
};

// Draws image `index` of a vertical strip into the control's rectangle.
void drawStripImage(CDrawContext* context, CBitmap* bitmap, const CRect& dest, const CPoint& offset, long imageHeight,
                    long index, bool transparent);
