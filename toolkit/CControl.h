// A view with a value: minimum, maximum and default, a tag that names it to
// its listener, and a background offset into its bitmap. The control is
// dirty while its value differs from the value last drawn.
#pragma once

#include "CView.h"

class CControl;

class CControlListener
{
public:
    virtual ~CControlListener() = default;
    // A user gesture changed the control's value (or clicked it).
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // A click with a modifier key; non-zero means the listener took it.
    virtual long controlModifierClicked(CDrawContext*, CControl*, long) { return 0; }
};

class CControl : public CView
{
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, long tag = 0, CBitmap* background = nullptr);
    ~CControl() override;

    virtual void setValue(float newValue) { value = newValue; }
    virtual float getValue() const { return value; }
    virtual void setMin(float newMin) { vmin = newMin; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float newMax) { vmax = newMax; }
    virtual float getMax() const { return vmax; }
    virtual void setDefaultValue(float newDefault) { defaultValue = newDefault; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setOldValue(float old) { oldValue = old; }
    virtual float getOldValue() const { return oldValue; }

    // Limits the value to minimum and maximum.
    virtual void bounceValue();
    // The default-value gesture (control-click with the left button): sets
    // the default, tells the listener and answers true.
    virtual bool checkDefaultValue(CDrawContext* context, long buttons);

    virtual void setTag(long newTag) { tag = newTag; }
    virtual long getTag() const { return tag; }
    virtual void setListener(CControlListener* newListener) { listener = newListener; }
    virtual CControlListener* getListener() const { return listener; }

    virtual void setBackOffset(const CPoint& offset) { backOffset = offset; }
    virtual const CPoint& getBackOffset() const { return backOffset; }
    virtual void setWheelInc(float increment) { wheelInc = increment; }
    virtual float getWheelInc() const { return wheelInc; }

    // Tell the host a gesture on this control's parameter starts or ends.
    virtual void beginEdit();
    virtual void endEdit();

    void setDirty(bool state = true) override;
    bool isDirty() const override;

protected:
    // Common start of a press: mouse enabled, buttons known, left button
    // down, modifier clicks offered to the listener. Answers the buttons, or
    // 0 when the press is not for this control.
    long acceptPress(CDrawContext* context, long buttons);
    void notifyListener(CDrawContext* context);
    // Draws the background bitmap into the control's rectangle from `source`,
    // colour-keyed when transparency is on.
    void drawBackgroundFrom(CDrawContext* context, const CPoint& source);
    // The wheel on a continuous control: wheelInc of the range per unit, limited.
    bool stepByWheel(CDrawContext* context, float distance);
    // Redraws what is dirty and shows it, between steps of a mouse-tracking loop.
    void doIdleStuff();
    // One step of a drag: limit the value, tell the listener of a change, redraw.
    void finishTrackingStep(CDrawContext* context);

    CControlListener* listener;
    long tag;
    float value = 0.0f;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float wheelInc = 0.1f;
    CPoint backOffset;
};
