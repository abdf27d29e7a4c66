// Text fields. CParamDisplay shows a text (by default the value as "%2.2f")
// over its background bitmap (from the background offset) or its back
// colour, inside a frame line unless kNoFrame. CTextEdit adds editing: a
// click takes the keyboard focus with the whole text selected; typing
// replaces it; Return, Enter, Tab or a click elsewhere commits (the listener
// hears of a changed text, or of any Return); Escape restores the old text.
#pragma once

#include "CControl.h"

#include <string>

class CParamDisplay : public CControl
{
public:
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, long style = 0);
    ~CParamDisplay() override;

    void draw(CDrawContext* context) override;

    virtual void setFont(CFont fontId) { font = fontId; setDirty(true); }
    virtual CFont getFont() const { return font; }
    virtual void setFontColor(const CColor& color) { fontColor = color; setDirty(true); }
    virtual CColor getFontColor() const { return fontColor; }
    virtual void setBackColor(const CColor& color) { backColor = color; setDirty(true); }
    virtual CColor getBackColor() const { return backColor; }
    virtual void setFrameColor(const CColor& color) { frameColor = color; setDirty(true); }
    virtual CColor getFrameColor() const { return frameColor; }
    virtual void setHoriAlign(CHoriTxtAlign align) { horiTxtAlign = align; setDirty(true); }
    virtual CHoriTxtAlign getHoriAlign() const { return horiTxtAlign; }
    virtual void setStyle(long newStyle) { style = newStyle; setDirty(true); }
    virtual long getStyle() const { return style; }

protected:
    // Background, frame and then the text, in the field's colours and font.
    void drawText(CDrawContext* context, const char* text);
    void drawBack(CDrawContext* context);

    CFont font = kNormalFontSmall;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CHoriTxtAlign horiTxtAlign = kCenterText;
    long style;
};

class CTextEdit : public CParamDisplay
{
public:
    static constexpr size_t kMaxLength = 255;

    CTextEdit(const CRect& size, CControlListener* listener, long tag, const char* text = nullptr,
              CBitmap* background = nullptr, long style = 0);
    ~CTextEdit() override;

    virtual void setText(const char* text);
    // Copies the text into `text`, which holds at least kMaxLength + 1 bytes.
    virtual void getText(char* text) const;
    const char* getText() const { return content.c_str(); }

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    void takeFocus(CDrawContext* context) override;
    void looseFocus(CDrawContext* context) override;

    bool isEditing() const { return editing; }
    const std::string& getEditText() const { return editText; }
    size_t getCaret() const { return caret; }

protected:
    void endEditing(bool commit);
    size_t caretAt(CDrawContext* context, long x) const;

    std::string content;
    std::string editText;
    size_t caret = 0;
    bool editing = false;
    bool allSelected = false;
    bool commitRequested = false;
};
