// Drawing into the frame's pixel buffer: colours, a line width, a font, a
// clip rectangle, and the mouse state of the frame so that a control can
// track the mouse until its button is released. Every operation adds the
// pixels it may have touched to the damaged area, which the frame shows.
#pragma once

#include "CGraphics.h"
#include "CToolkitConstants.h"
#include "draw/Font.h"

class CFrame;

class CDrawContext
{
public:
    CDrawContext(CFrame* frame, PixelBuffer& target);

    CFrame* getFrame() const { return frame; }
    PixelBuffer& getTarget() { return target; }

    void setClipRect(const CRect& clip);
    CRect& getClipRect(CRect& clip) const;
    void resetClipRect();

    // The size (0: the font's own) is for the panel at 100 %; text is drawn
    // at the frame's zoom level.
    void setFont(CFont fontId, long size = 0, long style = 0);
    CFont getFont() const { return fontId; }
    long getFontSize() const;
    void setFontColor(const CColor& color) { fontColor = color; }
    CColor getFontColor() const { return fontColor; }
    void setFillColor(const CColor& color) { fillColor = color; }
    CColor getFillColor() const { return fillColor; }
    void setFrameColor(const CColor& color) { frameColor = color; }
    CColor getFrameColor() const { return frameColor; }
    void setLineWidth(long width) { lineWidth = width < 1 ? 1 : width; }
    long getLineWidth() const { return lineWidth; }

    void moveTo(const CPoint& point) { penPosition = point; }
    void lineTo(const CPoint& point); // in the frame colour
    void drawLine(const CPoint& from, const CPoint& to);
    void fillRect(const CRect& rect); // fill colour
    void drawRect(const CRect& rect); // frame colour, line width
    void fillEllipse(const CRect& rect);

    // Draws the text in the font colour, vertically centred in `rect` and
    // clipped to it; opaque first fills `rect` with the fill colour.
    void drawString(const char* text, const CRect& rect, bool opaque = false, CHoriTxtAlign align = kCenterText);
    long getStringWidth(const char* text) const;
    TextStyle getTextStyle() const { return textStyle; }

    void drawPixmap(const PixelBuffer& source, const CRect& dest, const CPoint& offset, bool keyed, unsigned char alpha,
                    uint32_t key);

    // The frame's mouse state. getMouseButtons first lets the window deliver
    // one pending input event, so a polling loop sees every move and release.
    long getMouseButtons();
    void getMouseLocation(CPoint& where) const;

    CRect getDamage() const { return damage; }
    void resetDamage() { damage = CRect(); }

private:
    void addDamage(CRect rect);

    CFrame* frame;
    PixelBuffer& target;
    CRect clip;
    CFont fontId = kSystemFont;
    TextStyle textStyle;
    CColor fontColor = kBlackCColor;
    CColor fillColor = kWhiteCColor;
    CColor frameColor = kBlackCColor;
    long lineWidth = 1;
    CPoint penPosition;
    CRect damage;
};

// The default size in pixels and face of each font id.
TextStyle standardFontStyle(CFont fontId);
