#include "CTextEdit.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

CParamDisplay::CParamDisplay(const CRect& rect, CBitmap* bitmap, long displayStyle)
    : CControl(rect, nullptr, 0, bitmap), style(displayStyle)
{
    defaultValue = 0.0f;
}

CParamDisplay::~CParamDisplay() = default;

void CParamDisplay::drawBack(CDrawContext* context)
{
    if (background)
        drawBackgroundFrom(context, backOffset);
    else if (!transparencyEnabled)
    {
        context->setFillColor(backColor);
        context->fillRect(size);
    }
    if (!(style & kNoFrame))
    {
        context->setFrameColor(frameColor);
        context->setLineWidth(parentFrame ? zoomWidth(1, parentFrame->getZoom()) : 1);
        context->drawRect(size);
    }
}

void CParamDisplay::drawText(CDrawContext* context, const char* text)
{
    drawBack(context);
    if (style & kNoTextStyle)
        return;
    CRect saved;
    context->getClipRect(saved);
    CRect inner(size.left + 1, size.top, size.right - 1, size.bottom);
    context->setClipRect(CRect(inner).bound(saved));
    context->setFont(font);
    context->setFontColor(fontColor);
    context->drawString(text, inner, false, horiTxtAlign);
    context->setClipRect(saved);
}

void CParamDisplay::draw(CDrawContext* context)
{
    char text[32];
    std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value));
    drawText(context, text);
    setDirty(false);
}

CTextEdit::CTextEdit(const CRect& rect, CControlListener* controlListener, long controlTag, const char* text,
                     CBitmap* bitmap, long editStyle)
    : CParamDisplay(rect, bitmap, editStyle)
{
    listener = controlListener;
    tag = controlTag;
    setText(text);
}

CTextEdit::~CTextEdit() = default;

void CTextEdit::setText(const char* text)
{
    std::string next = text ? std::string(text, strnlen(text, kMaxLength)) : std::string();
    if (next != content)
    {
        content = std::move(next);
        setDirty(true);
    }
}

void CTextEdit::getText(char* text) const
{
    if (!text)
        return;
    std::memcpy(text, content.c_str(), content.size() + 1);
}

void CTextEdit::draw(CDrawContext* context)
{
    if (!editing)
    {
        drawText(context, content.c_str());
        setDirty(false);
        return;
    }
    // Editing: plain back colour so the caret and selection stand out.
    context->setFillColor(backColor);
    context->fillRect(size);
    context->setFrameColor(frameColor);
    context->drawRect(size);
    context->setFont(font);
    const CRect inner(size.left + 2, size.top, size.right - 2, size.bottom);
    const long textWidth = context->getStringWidth(editText.c_str());
    const long caretX = context->getStringWidth(editText.substr(0, caret).c_str());
    // Left-aligned while editing; scrolled so the caret stays visible.
    long x = inner.left;
    if (horiTxtAlign == kCenterText && textWidth < inner.width())
        x = inner.left + (inner.width() - textWidth) / 2;
    else if (caretX > inner.width() - 1)
        x = inner.right - 1 - caretX;
    CRect saved;
    context->getClipRect(saved);
    context->setClipRect(CRect(inner).bound(saved));
    if (allSelected && !editText.empty())
    {
        context->setFillColor(fontColor);
        context->fillRect(CRect(x - 1, size.top + 1, x + textWidth + 1, size.bottom - 1));
        context->setFontColor(backColor);
    }
    else
        context->setFontColor(fontColor);
    context->drawString(editText.c_str(), CRect(x, size.top, x + textWidth + 2, size.bottom), false, kLeftText);
    if (!allSelected)
    {
        context->setFrameColor(fontColor);
        context->drawLine(CPoint(x + caretX, size.top + 2), CPoint(x + caretX, size.bottom - 3));
    }
    context->setClipRect(saved);
    setDirty(false);
}

size_t CTextEdit::caretAt(CDrawContext* context, long x) const
{
    context->setFont(font);
    const long textWidth = context->getStringWidth(editText.c_str());
    long start = size.left + 2;
    if (horiTxtAlign == kCenterText && textWidth < size.width() - 4)
        start += (size.width() - 4 - textWidth) / 2;
    size_t best = 0;
    long bestDistance = std::abs(x - start);
    for (size_t i = 1; i <= editText.size(); ++i)
    {
        const long distance = std::abs(x - (start + context->getStringWidth(editText.substr(0, i).c_str())));
        if (distance < bestDistance)
        {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void CTextEdit::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    if (!acceptPress(context, buttons))
        return;
    if (editing)
    {
        caret = caretAt(context, where.h);
        allSelected = false;
        setDirty(true);
        return;
    }
    if (parentFrame)
        parentFrame->setFocusView(this);
    else
        takeFocus(context);
}

void CTextEdit::takeFocus(CDrawContext*)
{
    editing = true;
    editText = content;
    caret = editText.size();
    allSelected = true;
    commitRequested = false;
    setDirty(true);
}

void CTextEdit::looseFocus(CDrawContext* context)
{
    if (!editing)
        return;
    const bool changed = editText != content || commitRequested;
    endEditing(true);
    if (changed)
        notifyListener(context);
}

void CTextEdit::endEditing(bool commit)
{
    editing = false;
    if (commit)
        setText(editText.c_str());
    editText.clear();
    setDirty(true);
}

long CTextEdit::onKeyDown(VstKeyCode& key)
{
    if (!editing)
        return -1;
    auto removeSelection = [this] {
        if (allSelected)
        {
            editText.clear();
            caret = 0;
            allSelected = false;
            return true;
        }
        return false;
    };
    switch (key.virt)
    {
    case VKEY_RETURN:
    case VKEY_ENTER:
    case VKEY_TAB:
        commitRequested = key.virt != VKEY_TAB;
        if (parentFrame && parentFrame->getFocusView() == this)
            parentFrame->setFocusView(nullptr);
        else
        {
            CDrawContext* none = nullptr;
            looseFocus(none);
        }
        return 1;
    case VKEY_ESCAPE:
        endEditing(false);
        if (parentFrame && parentFrame->getFocusView() == this)
            parentFrame->setFocusView(nullptr);
        return 1;
    case VKEY_BACK:
        if (!removeSelection() && caret > 0)
            editText.erase(--caret, 1);
        break;
    case VKEY_DELETE:
        if (!removeSelection() && caret < editText.size())
            editText.erase(caret, 1);
        break;
    case VKEY_LEFT:
        allSelected = false;
        if (caret > 0)
            --caret;
        break;
    case VKEY_RIGHT:
        allSelected = false;
        if (caret < editText.size())
            ++caret;
        break;
    case VKEY_HOME:
        allSelected = false;
        caret = 0;
        break;
    case VKEY_END:
        allSelected = false;
        caret = editText.size();
        break;
    case VKEY_SPACE:
        removeSelection();
        if (editText.size() < kMaxLength)
            editText.insert(caret++, 1, ' ');
        break;
    default:
        if (key.virt != 0 || key.character < 32 || key.character > 255 || key.character == 127)
            return -1;
        removeSelection();
        if (editText.size() < kMaxLength)
            editText.insert(caret++, 1, static_cast<char>(key.character));
        break;
    }
    setDirty(true);
    return 1;
}
