// A horizontal slider: a handle bitmap (drawn transparent) moving over a
// background between two handle positions given in frame pixels (the
// handle's left edge). kLeft puts the minimum at minPos, kRight at maxPos.
// With free click off only a press on the handle moves it, by dragging;
// with free click on a press elsewhere first centres the handle under the
// pointer. Shift drags ten times finer.
#pragma once

#include "CControl.h"

class CHorizontalSlider : public CControl
{
public:
    CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, long minPos, long maxPos,
                      CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0), long style = kLeft);
    ~CHorizontalSlider() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;

    void setFreeClick(bool state) { freeClick = state; }
    bool getFreeClick() const { return freeClick; }
    void setOffsetHandle(const CPoint& point) { offsetHandle = point; }
    void setZoomFactor(float factor) { zoomFactor = factor; }
    // The handle's rectangle for the current value.
    CRect handleRect() const;

protected:
    float valueAtHandle(long handleLeft) const;

    CBitmap* handle;
    long minPos;
    long maxPos;
    long style;
    CPoint offsetHandle;
    bool freeClick = true;
    float zoomFactor = 10.0f;
};
