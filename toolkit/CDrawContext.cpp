#include "CDrawContext.h"

#include "CFrame.h"

#include <cmath>
#include <cstring>

TextStyle standardFontStyle(CFont fontId)
{
    switch (fontId)
    {
    case kNormalFontVeryBig:
        return {18.0f, true};
    case kNormalFontBig:
        return {14.0f, false};
    case kNormalFontSmall:
        return {10.0f, false};
    case kNormalFontSmaller:
    case kNormalFontVerySmall:
        return {9.0f, false};
    case kSystemFont:
        return {12.0f, true};
    case kNormalFont:
    case kSymbolFont:
    default:
        return {12.0f, false};
    }
}

CDrawContext::CDrawContext(CFrame* owner, PixelBuffer& pixels) : frame(owner), target(pixels), clip(pixels.bounds())
{
    setFont(kSystemFont);
}

void CDrawContext::setClipRect(const CRect& rect)
{
    clip = rect;
    clip.bound(target.bounds());
}

CRect& CDrawContext::getClipRect(CRect& rect) const
{
    rect = clip;
    return rect;
}

void CDrawContext::resetClipRect()
{
    clip = target.bounds();
}

void CDrawContext::setFont(CFont id, long size, long style)
{
    fontId = id;
    textStyle = standardFontStyle(id);
    if (size > 0)
        textStyle.size = static_cast<float>(size);
    if (style != 0 || size > 0)
        textStyle.bold = (style & kBoldFace) != 0;
    // Sizes are given for the panel at 100 %.
    if (frame)
        textStyle.size *= static_cast<float>(frame->getZoom()) / 100.0f;
}

long CDrawContext::getFontSize() const
{
    return std::lround(textStyle.size);
}

void CDrawContext::addDamage(CRect rect)
{
    rect.bound(clip);
    damage.unite(rect);
}

void CDrawContext::lineTo(const CPoint& point)
{
    drawLine(penPosition, point);
    penPosition = point;
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to)
{
    const long pad = lineWidth + 1;
    addDamage({std::min(from.h, to.h) - pad, std::min(from.v, to.v) - pad, std::max(from.h, to.h) + pad + 1,
               std::max(from.v, to.v) + pad + 1});
    target.drawLine(static_cast<float>(from.h), static_cast<float>(from.v), static_cast<float>(to.h),
                    static_cast<float>(to.v), static_cast<float>(lineWidth), frameColor, clip);
}

void CDrawContext::fillRect(const CRect& rect)
{
    addDamage(rect);
    target.fillRect(rect, fillColor, clip);
}

void CDrawContext::drawRect(const CRect& rect)
{
    addDamage(rect);
    target.frameRect(rect, frameColor, static_cast<int>(lineWidth), clip);
}

void CDrawContext::fillEllipse(const CRect& rect)
{
    addDamage(rect);
    const float cx = static_cast<float>(rect.left + rect.right) * 0.5f;
    const float cy = static_cast<float>(rect.top + rect.bottom) * 0.5f;
    const float rx = static_cast<float>(rect.width()) * 0.5f;
    const float ry = static_cast<float>(rect.height()) * 0.5f;
    if (rx <= 0.0f || ry <= 0.0f)
        return;
    const CColor color = fillColor;
    target.fillShape(
        rect,
        [=](float x, float y) {
            const float nx = (x - cx) / rx;
            const float ny = (y - cy) / ry;
            return (std::sqrt(nx * nx + ny * ny) - 1.0f) * std::min(rx, ry);
        },
        [=](float, float) { return color; }, clip);
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque, CHoriTxtAlign align)
{
    if (opaque)
        fillRect(rect);
    if (!text || !*text)
        return;
    const std::string_view view(text, std::strlen(text));
    const float width = text::measure(view, textStyle);
    float x = static_cast<float>(rect.left) + 1.0f;
    if (align == kCenterText)
        x = std::floor(static_cast<float>(rect.left) + (static_cast<float>(rect.width()) - width) * 0.5f);
    else if (align == kRightText)
        x = static_cast<float>(rect.right) - width - 1.0f;
    CRect area = rect;
    area.bound(clip);
    addDamage(area);
    text::draw(target, area, x, text::centredBaseline(rect, textStyle), view, textStyle, fontColor);
}

long CDrawContext::getStringWidth(const char* text) const
{
    return text ? std::lround(text::measure(std::string_view(text, std::strlen(text)), textStyle)) : 0;
}

void CDrawContext::drawPixmap(const PixelBuffer& source, const CRect& dest, const CPoint& offset, bool keyed,
                              unsigned char alpha, uint32_t key)
{
    addDamage(dest);
    target.copyFrom(source, static_cast<int>(offset.h), static_cast<int>(offset.v), dest, clip, keyed, alpha, key);
}

long CDrawContext::getMouseButtons()
{
    return frame ? frame->pollMouseButtons() : 0;
}

void CDrawContext::getMouseLocation(CPoint& where) const
{
    if (frame)
        frame->getCurrentLocation(where);
    else
        where = CPoint();
}
