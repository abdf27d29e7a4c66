#include "CustomControls.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr CColor kReadoutOverColor{200, 80, 80, 255};
constexpr CColor kReadoutColor{75, 75, 90, 255};

// Waits, redrawing, until the left button is up.
void waitForRelease(CDrawContext* context, CFrame* frame)
{
    while (context && (context->getMouseButtons() & kLButton))
        if (frame)
            frame->doIdleStuff();
}

long pressedButtons(CDrawContext* context, long buttons)
{
    if (buttons == -1 && context)
        buttons = context->getMouseButtons();
    return buttons == -1 ? 0 : buttons;
}
} // namespace

// --- CTextLED --------------------------------------------------------------

CTextLED::CTextLED(const CRect& rect, CControlListener* controlListener, long controlTag, CBitmap* textBack,
                   CBitmap* lampBitmap, const CRect& readoutRect)
    : CControl(rect, controlListener, controlTag, nullptr), lamp(lampBitmap), textBackground(textBack),
      readout(readoutRect)
{
    if (lamp)
        lamp->remember();
    if (textBackground)
        textBackground->remember();
    const long h = lamp ? lamp->getHeight() : 0;
    imageOffsets[0] = CPoint(0, 0);
    imageOffsets[1] = CPoint(0, h / 3);
    imageOffsets[2] = CPoint(0, 2 * h / 3);
    value = 0.0f;
}

CTextLED::~CTextLED()
{
    if (lamp)
        lamp->forget();
    if (textBackground)
        textBackground->forget();
}

bool CTextLED::isHeld() const
{
    return state < -0.5f;
}

void CTextLED::resetHold()
{
    state = 0.0000001f;
    value += 1e-7f;
}

void CTextLED::applyState(float x, float smallest, float smallValue)
{
    if (std::fabs(x) < smallest)
        x = smallValue;
    else if (x < -4.0f)
        x = -4.0f;
    else if (x > 4.0f)
        x = 4.0f;
    if (state >= 0.5f && x < 0.5f)
        state = -1.0f;
    else if (state > -0.5f || x >= 0.5f)
        state = x;
}

void CTextLED::setState(float x)
{
    applyState(x, 1e-8f, 1e-9f);
    value = value + state;
}

void CTextLED::setLevel(double x)
{
    previousLevel = level;
    level = x;
    value = static_cast<float>(state + x);
}

void CTextLED::setStateAndLevel(float a, double b)
{
    applyState(a, 1e-6f, 1e-8f);
    previousLevel = level;
    level = b;
}

void CTextLED::formatLevel(double levelValue, char* text, size_t capacity)
{
    if (!text || capacity == 0)
        return;
    char number[32];
    if (levelValue > 0.000001)
        std::snprintf(number, sizeof number, "%2.2f", 20.0 * std::log10(levelValue));
    else
        std::strcpy(number, "-oo");
    std::snprintf(text, capacity, "%sdB", number);
}

void CTextLED::draw(CDrawContext* context)
{
    if (lamp)
    {
        const int image = state >= 0.5f ? 0 : state <= -0.5f ? 1 : 2;
        if (transparencyEnabled)
            lamp->drawTransparent(context, size, imageOffsets[image]);
        else
            lamp->draw(context, size, imageOffsets[image]);
    }
    if (previousLevel != level || readoutStale)
    {
        if (textBackground)
            textBackground->draw(context, readout, CPoint(readout.left, readout.top));
        char text[48];
        formatLevel(level, text, sizeof text);
        context->setFont(kNormalFontVerySmall);
        context->setFontColor(level >= 1.0 ? kReadoutOverColor : kReadoutColor);
        context->drawString(text, readout, false, kCenterText);
        readoutStale = false;
    }
    setDirty(false);
}

void CTextLED::parentRepainted(const CRect& area)
{
    if (area.rectOverlap(readout))
        readoutStale = true;
}

void CTextLED::mouse(CDrawContext* context, CPoint&, long buttons)
{
    if (!mouseEnabled)
        return;
    if (pressedButtons(context, buttons) & kLButton)
        notifyListener(context);
}

// --- CMyRocker -------------------------------------------------------------

CMyRocker::CMyRocker(const CRect& rect, CControlListener* controlListener, long controlTag, long imageHeight,
                     CBitmap* bitmap, const CPoint& sourceOffset, long stepCount, long rockerStyle)
    : CRockerSwitch(rect, controlListener, controlTag, imageHeight, bitmap, sourceOffset, rockerStyle),
      steps(std::max(1L, stepCount))
{
}

CMyRocker::~CMyRocker() = default;

void CMyRocker::draw(CDrawContext* context)
{
    drawStripImage(context, background, size, offset, heightOfOneImage, static_cast<long>(direction) + 1,
                   transparencyEnabled);
    setDirty(false);
}

void CMyRocker::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    if (!mouseEnabled || !(pressedButtons(context, buttons) & kLButton))
        return;
    beginEdit();
    const float step = 1.0f / static_cast<float>(steps);
    const bool vertical = (style & kVertical) != 0;
    const long position = vertical ? where.v : where.h;
    const long start = vertical ? size.top : size.left;
    const long end = vertical ? size.bottom : size.right;
    const long middle = start + (end - start) / 2;
    if (size.pointInside(where) && position <= middle)
    {
        direction = -1.0f;
        value -= step;
    }
    else if (size.pointInside(where) && position > middle)
    {
        direction = 1.0f;
        value += step;
    }
    if (value >= 1.0f)
        value -= 1.0f;
    else if (value < 0.0f)
        value += 1.0f;
    if (isDirty())
        notifyListener(context);
    if (context)
        context->getMouseLocation(where);
    doIdleStuff();
    waitForRelease(context, parentFrame);
    endEdit();
    direction = 0.0f;
    setDirty(true);
    notifyListener(context);
}

bool CMyRocker::onWheel(CDrawContext* context, const CPoint&, float distance)
{
    if (!mouseEnabled)
        return false;
    const float step = 1.0f / static_cast<float>(steps);
    if (distance > 0.0f)
        value -= step;
    else
        value += step;
    if (isDirty())
        notifyListener(context);
    notifyListener(context);
    return true;
}

// --- COrvOnOffButton -------------------------------------------------------

COrvOnOffButton::COrvOnOffButton(const CRect& rect, CControlListener* controlListener, long controlTag,
                                 CBitmap* bitmap)
    : COnOffButton(rect, controlListener, controlTag, bitmap, 0)
{
}

COrvOnOffButton::~COrvOnOffButton() = default;

void COrvOnOffButton::draw(CDrawContext* context)
{
    const long image = pressed ? 2 : hover ? 1 : 0;
    drawStripImage(context, background, size, CPoint(), size.height(), image, transparencyEnabled);
    setDirty(false);
}

void COrvOnOffButton::mouse(CDrawContext* context, CPoint&, long buttons)
{
    if (!mouseEnabled || !(pressedButtons(context, buttons) & kLButton))
        return;
    notifyListener(context);
    pressed = true;
    setDirty(true);
    doIdleStuff();
    waitForRelease(context, parentFrame);
    pressed = false;
    setDirty(true);
}

void COrvOnOffButton::setHover(bool flag)
{
    if (flag != hover)
    {
        hover = flag;
        setDirty(true);
    }
}

// --- COrvRockerSwitch ------------------------------------------------------

COrvRockerSwitch::COrvRockerSwitch(const CRect& rect, CPresetSystemListener* controlListener, long controlTag,
                                   long imageHeight, CBitmap* bitmap, const CPoint& sourceOffset, long rockerStyle)
    : CRockerSwitch(rect, controlListener, controlTag, imageHeight, bitmap, sourceOffset, rockerStyle),
      presetListener(controlListener), leftHalf(rect.left, rect.top, (rect.left + rect.right) / 2, rect.bottom),
      rightHalf((rect.left + rect.right) / 2, rect.top, rect.right, rect.bottom)
{
}

COrvRockerSwitch::~COrvRockerSwitch() = default;

void COrvRockerSwitch::draw(CDrawContext* context)
{
    long image = 0;
    if (value == 1.0f)
        image = 4;
    else if (value == -1.0f)
        image = 3;
    else if (hover == 1)
        image = 1;
    else if (hover == 2)
        image = 2;
    drawStripImage(context, background, size, offset, heightOfOneImage, image, transparencyEnabled);
    setDirty(false);
}

void COrvRockerSwitch::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    if (!mouseEnabled || !presetListener || !(pressedButtons(context, buttons) & kLButton))
        return;
    const long middle = (size.left + size.right) / 2;
    const bool inside = size.pointInside(where);
    if (inside && where.h <= middle)
    {
        value = -1.0f;
        doIdleStuff();
        presetListener->stepProgram(false);
        setDirty(true);
    }
    else if (inside)
    {
        value = 1.0f;
        doIdleStuff();
        presetListener->stepProgram(true);
        setDirty(true);
    }
    value = 0.0f;
}

void COrvRockerSwitch::setHover(bool flag, const CPoint& where)
{
    int next = hover;
    if (!flag)
        next = 0;
    else if (leftHalf.pointInside(where))
        next = 1;
    else if (rightHalf.pointInside(where))
        next = 2;
    if (next != hover)
    {
        hover = next;
        setDirty(true);
    }
}

// --- CSaveLoadButton -------------------------------------------------------

CSaveLoadButton::CSaveLoadButton(const CRect& rect, CPresetSystemListener* controlListener, long controlTag,
                                 long imageHeight, CBitmap* bitmap, const CPoint& sourceOffset, long buttonMode)
    : CKickButton(rect, controlListener, controlTag, imageHeight, bitmap, sourceOffset), mode(buttonMode),
      presetListener(controlListener)
{
}

CSaveLoadButton::~CSaveLoadButton() = default;

void CSaveLoadButton::draw(CDrawContext* context)
{
    long image = 0;
    if (value > 0.5f)
        image = 2;
    else if (value < 0.5f && hover)
        image = 1;
    drawStripImage(context, background, size, offset, heightOfOneImage, image, transparencyEnabled);
    setDirty(false);
}

void CSaveLoadButton::mouse(CDrawContext* context, CPoint&, long buttons)
{
    if (!mouseEnabled || !parentFrame || !context || !presetListener ||
        !(pressedButtons(context, buttons) & kLButton))
        return;
    value = 1.0f;
    // Show the pressed image before a modal file dialog takes over.
    doIdleStuff();
    switch (mode)
    {
    case 0:
        presetListener->loadBank();
        break;
    case 1:
        presetListener->saveBank();
        break;
    case 2:
        presetListener->loadPreset();
        break;
    case 3:
        presetListener->savePreset();
        break;
    default:
        break;
    }
    waitForRelease(context, parentFrame);
    value = 0.0f;
    setDirty(true);
}

void CSaveLoadButton::setHover(bool flag)
{
    if (flag != hover)
    {
        hover = flag;
        setDirty(true);
    }
}
