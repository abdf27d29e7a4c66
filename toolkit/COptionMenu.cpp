#include "COptionMenu.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <cstring>

COptionMenu::COptionMenu(const CRect& rect, CControlListener* controlListener, long controlTag, CBitmap* bitmap,
                         CBitmap* clickBitmap, long menuStyle)
    : CParamDisplay(rect, bitmap, menuStyle), bgWhenClick(clickBitmap)
{
    listener = controlListener;
    tag = controlTag;
    if (bgWhenClick)
        bgWhenClick->remember();
}

COptionMenu::~COptionMenu()
{
    if (bgWhenClick)
        bgWhenClick->forget();
}

bool COptionMenu::addEntry(const char* text, long index)
{
    if (!text)
        return false;
    std::string entry(text, strnlen(text, CTextEdit::kMaxLength));
    if (index < 0 || index >= getNbEntries())
        entries.push_back(std::move(entry));
    else
    {
        entries.insert(entries.begin() + index, std::move(entry));
        if (currentIndex >= index)
            ++currentIndex;
    }
    setDirty(true);
    return true;
}

bool COptionMenu::setEntry(long index, const char* text)
{
    if (!text || index < 0 || index >= getNbEntries())
        return false;
    entries[static_cast<size_t>(index)].assign(text, strnlen(text, CTextEdit::kMaxLength));
    setDirty(true);
    return true;
}

bool COptionMenu::removeEntry(long index)
{
    if (index < 0 || index >= getNbEntries())
        return false;
    entries.erase(entries.begin() + index);
    if (currentIndex == index)
        currentIndex = -1;
    else if (currentIndex > index)
        --currentIndex;
    setDirty(true);
    return true;
}

void COptionMenu::removeAllEntry()
{
    entries.clear();
    currentIndex = -1;
    setDirty(true);
}

bool COptionMenu::getEntry(long index, char* text) const
{
    if (!text)
        return false;
    const char* entry = getEntry(index);
    if (!entry)
    {
        *text = 0;
        return false;
    }
    std::strcpy(text, entry);
    return true;
}

const char* COptionMenu::getEntry(long index) const
{
    return index >= 0 && index < getNbEntries() ? entries[static_cast<size_t>(index)].c_str() : nullptr;
}

bool COptionMenu::setCurrent(long index, bool countSeparator)
{
    if (!countSeparator)
    {
        long selectable = -1;
        long raw = -1;
        for (long i = 0; i < getNbEntries() && selectable < index; ++i)
            if (!isSeparator(entries[static_cast<size_t>(i)]) && ++selectable == index)
                raw = i;
        index = raw;
    }
    if (index < 0 || index >= getNbEntries())
        return false;
    currentIndex = index;
    setDirty(true);
    return true;
}

long COptionMenu::getCurrent(char* text, bool countSeparator) const
{
    if (text)
        getEntry(currentIndex, text);
    if (countSeparator || currentIndex < 0)
        return currentIndex;
    long selectable = 0;
    for (long i = 0; i < currentIndex; ++i)
        if (!isSeparator(entries[static_cast<size_t>(i)]))
            ++selectable;
    return selectable;
}

void COptionMenu::setValue(float newValue)
{
    const auto index = static_cast<long>(newValue);
    if (index < 0 || index >= getNbEntries())
        return;
    currentIndex = index;
    CParamDisplay::setValue(newValue);
}

void COptionMenu::draw(CDrawContext* context)
{
    if (!(style & kNoDrawStyle))
    {
        const char* text = getEntry(currentIndex);
        if (popupOpen && bgWhenClick)
        {
            bgWhenClick->draw(context, size, backOffset);
            if (!(style & kNoTextStyle) && text)
            {
                context->setFont(font);
                context->setFontColor(fontColor);
                context->drawString(text, size, false, horiTxtAlign);
            }
        }
        else
            drawText(context, text ? text : "");
    }
    setDirty(false);
}

void COptionMenu::mouse(CDrawContext* context, CPoint&, long buttons)
{
    if (!acceptPress(context, buttons) || !parentFrame || entries.empty())
        return;
    auto* popup = new COptionMenuPopup(this, parentFrame->getViewSize(), parentFrame->getZoom());
    if (!parentFrame->setModalView(popup))
    {
        popup->forget();
        return;
    }
    popupOpen = true;
    setDirty(true);
}

void COptionMenu::choose(long index, CDrawContext* context)
{
    if (index < 0 || index >= getNbEntries() || isSeparator(entries[static_cast<size_t>(index)]))
        return;
    beginEdit();
    currentIndex = index;
    value = static_cast<float>(index);
    setDirty(true);
    notifyListener(context);
    endEdit();
}
