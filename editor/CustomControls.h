// The editor's own controls: the overload lamp with its level readout, the
// Type rocker that wraps around, and the preset-bar buttons with hover images.
// All run on the editor's user-interface thread.
#pragma once

#include "CButtons.h"
#include "CPresetSystemListener.h"

// Overload lamp: over (state >= 0.5), held (<= -0.5) or off, with a readout
// of the level in dB drawn into a rectangle outside the control. Images of
// the lamp bitmap: 0 over, 1 held, 2 off.
class CTextLED : public CControl
{
public:
    CTextLED(const CRect& size, CControlListener* listener, long tag, CBitmap* textBackground, CBitmap* lamp,
             const CRect& readout);
    ~CTextLED() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    void parentRepainted(const CRect& area) override;

    virtual bool isHeld() const;
    virtual void resetHold();
    virtual void setState(float x);
    virtual void setLevel(double x);
    virtual void setStateAndLevel(float a, double b);

    float getState() const { return state; }
    double getLevel() const { return level; }
    const CRect& getReadout() const { return readout; }
    // The readout text for a level: "-3.52dB", "-oodB".
    static void formatLevel(double level, char* text, size_t capacity);

protected:
    void applyState(float x, float smallest, float smallValue);

    CBitmap* lamp;
    CBitmap* textBackground;
    CRect readout;
    CPoint imageOffsets[3];
    float state = 1e-8f;
    double previousLevel = 0.0;
    double level = 0.0;
    // The readout must be drawn again although the level did not change
    // (its pixels were painted over).
    bool readoutStale = true;
};

// The Type rocker: each click steps the value by 1 / steps and wraps around
// at both ends; the pressed side shows while the button is held.
class CMyRocker : public CRockerSwitch
{
public:
    CMyRocker(const CRect& size, CControlListener* listener, long tag, long heightOfOneImage, CBitmap* bitmap,
              const CPoint& offset, long steps, long style = kHorizontal);
    ~CMyRocker() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;

    float getDirection() const { return direction; }
    long getSteps() const { return steps; }

protected:
    long steps;
    float direction = 0.0f;
};

// A momentary preset-bar button (memo store and recall): acts on the press.
// Images: 0 idle, 1 hover, 2 pressed.
class COrvOnOffButton : public COnOffButton
{
public:
    COrvOnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* bitmap);
    ~COrvOnOffButton() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    virtual void setHover(bool flag);

    bool getHover() const { return hover; }
    bool isPressed() const { return pressed; }

protected:
    bool hover = false;
    bool pressed = false;
};

// Previous / next program. Images: 0 idle, 1 hover left, 2 hover right,
// 3 pressed left, 4 pressed right.
class COrvRockerSwitch : public CRockerSwitch
{
public:
    COrvRockerSwitch(const CRect& size, CPresetSystemListener* listener, long tag, long heightOfOneImage,
                     CBitmap* bitmap, const CPoint& offset, long style = kHorizontal);
    ~COrvRockerSwitch() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    virtual void setHover(bool flag, const CPoint& where);

    int getHover() const { return hover; }

protected:
    CPresetSystemListener* presetListener;
    int hover = 0;
    CRect leftHalf;
    CRect rightHalf;
};

// A file button of the preset bar; mode 0 load bank, 1 save bank, 2 load
// preset, 3 save preset. Images: 0 idle, 1 hover, 2 pressed.
class CSaveLoadButton : public CKickButton
{
public:
    CSaveLoadButton(const CRect& size, CPresetSystemListener* listener, long tag, long heightOfOneImage,
                    CBitmap* bitmap, const CPoint& offset, long mode);
    ~CSaveLoadButton() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    virtual void setHover(bool flag);

    bool getHover() const { return hover; }
    long getMode() const { return mode; }

protected:
    long mode;
    CPresetSystemListener* presetListener;
    bool hover = false;
};
