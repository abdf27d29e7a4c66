// Knobs. CKnob draws its background and a pointer (a handle bitmap or a
// line) on a 270-degree arc; CAnimKnob shows one image of a filmstrip per
// value. Dragging follows the frame's knob mode: circular (the value follows
// the angle of the pointer), relative circular (the angle changes the value)
// or linear (200 pixels of up-and-right movement sweep the range; with shift
// 2000).
#pragma once

#include "CControl.h"

class CKnob : public CControl
{
public:
    CKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background, CBitmap* handle,
          const CPoint& offset = CPoint(0, 0));
    ~CKnob() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;

    virtual void drawHandle(CDrawContext* context);
    // The value whose pointer angle points at `where` (circular modes).
    virtual float valueFromPoint(const CPoint& where) const;

    void setColorHandle(const CColor& color) { colorHandle = color; }
    CColor getColorHandle() const { return colorHandle; }
    void setInsetValue(long inset) { insetValue = inset; }

protected:
    CBitmap* handle = nullptr;
    CPoint offset;
    CColor colorHandle = kWhiteCColor;
    long insetValue = 3;
};

class CAnimKnob : public CKnob
{
public:
    CAnimKnob(const CRect& size, CControlListener* listener, long tag, long subPixmaps, long heightOfOneImage,
              CBitmap* background, const CPoint& offset = CPoint(0, 0));
    ~CAnimKnob() override;

    void draw(CDrawContext* context) override;
    void setInverseBitmap(bool inverse) { inverseBitmap = inverse; }
    long getSubPixmaps() const { return subPixmaps; }
    long getHeightOfOneImage() const { return heightOfOneImage; }
    // The top of the image shown for the current value, in bitmap pixels.
    long imageTop() const;

protected:
    long subPixmaps;
    long heightOfOneImage;
    bool inverseBitmap = false;
};
