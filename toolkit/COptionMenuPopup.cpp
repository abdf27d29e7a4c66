#include "COptionMenu.h"

#include "CDrawContext.h"
#include "CFrame.h"

namespace
{
constexpr CColor kPopupBack{246, 245, 240, 255};
constexpr CColor kPopupBorder{60, 60, 66, 255};
constexpr CColor kPopupText{30, 30, 36, 255};
constexpr CColor kPopupHighlight{62, 104, 160, 255};
constexpr CColor kSeparatorLine{176, 176, 170, 255};
constexpr long kPadding = 4;
constexpr long kCheckWidth = 10;

CRect layoutPopup(const CRect& anchor, const CRect& frame, long width, long height)
{
    CRect rect(anchor.left, anchor.bottom, anchor.left + width, anchor.bottom + height);
    if (rect.bottom > frame.bottom)
        rect.offset(0, anchor.top - height - rect.top);
    if (rect.top < frame.top)
        rect.offset(0, std::max(frame.top, frame.bottom - height) - rect.top);
    if (rect.right > frame.right)
        rect.offset(frame.right - rect.right, 0);
    if (rect.left < frame.left)
        rect.offset(frame.left - rect.left, 0);
    return rect;
}
} // namespace

COptionMenuPopup::COptionMenuPopup(COptionMenu* owner, const CRect& frameSize, int zoomLevel)
    : CView(frameSize), menu(owner), font(owner->getFont()), zoom(zoomLevel)
{
    TextStyle style = standardFontStyle(font);
    rowHeight = zoomEdge(static_cast<long>(style.size) + 4, zoom);
    style.size *= static_cast<float>(zoom) / 100.0f;
    const long padding = zoomEdge(kPadding, zoom);
    const long checkWidth = zoomEdge(kCheckWidth, zoom);
    const long count = menu->getNbEntries();
    long perColumn = menu->getNbItemsPerColumn() > 0 ? menu->getNbItemsPerColumn() : count;
    perColumn = std::clamp(perColumn, 1L, std::max(1L, (frameSize.height() - 2) / rowHeight));
    rows = std::min(perColumn, std::max(1L, count));
    columns = std::max(1L, (count + rows - 1) / rows);
    long widest = 0;
    for (long i = 0; i < count; ++i)
        widest = std::max(widest, static_cast<long>(text::measure(menu->getEntry(i), style)));
    columnWidth = widest + 2 * padding + checkWidth;
    columnWidth = std::min(columnWidth, (frameSize.width() - 2) / columns);
    CRect anchor;
    menu->getViewSize(anchor);
    size = layoutPopup(anchor, frameSize, columns * columnWidth + 2, rows * rowHeight + 2);
    mouseableArea = size;
    highlight = menu->getCurrent();
}

COptionMenuPopup::~COptionMenuPopup() = default;

CRect COptionMenuPopup::entryRect(long index) const
{
    const long column = index / rows;
    const long row = index % rows;
    const long left = size.left + 1 + column * columnWidth;
    const long top = size.top + 1 + row * rowHeight;
    return {left, top, left + columnWidth, top + rowHeight};
}

long COptionMenuPopup::entryAt(const CPoint& where) const
{
    for (long i = 0; i < menu->getNbEntries(); ++i)
        if (entryRect(i).pointInside(where))
            return i;
    return -1;
}

void COptionMenuPopup::draw(CDrawContext* context)
{
    context->setFillColor(kPopupBack);
    context->fillRect(size);
    context->setFrameColor(kPopupBorder);
    context->drawRect(size);
    context->setFont(font);
    const long current = menu->getCurrent();
    const bool checks = (menu->getStyle() & kCheckStyle) != 0;
    for (long i = 0; i < menu->getNbEntries(); ++i)
    {
        const CRect cell = entryRect(i);
        const char* text = menu->getEntry(i);
        if (COptionMenu::isSeparator(text))
        {
            const long y = (cell.top + cell.bottom) / 2;
            context->setFrameColor(kSeparatorLine);
            context->drawLine(CPoint(cell.left + 2, y), CPoint(cell.right - 3, y));
            continue;
        }
        const bool lit = i == highlight;
        if (lit)
        {
            context->setFillColor(kPopupHighlight);
            context->fillRect(cell);
        }
        const CColor ink = lit ? kWhiteCColor : kPopupText;
        if (checks && i == current)
        {
            // A small tick in the margin.
            auto z = [this](long length) { return zoomEdge(length, zoom); };
            context->setFrameColor(ink);
            context->setLineWidth(zoomWidth(2, zoom));
            const long mid = (cell.top + cell.bottom) / 2;
            context->drawLine(CPoint(cell.left + z(2), mid), CPoint(cell.left + z(4), mid + z(2)));
            context->drawLine(CPoint(cell.left + z(4), mid + z(2)), CPoint(cell.left + z(8), mid - z(3)));
            context->setLineWidth(1);
        }
        CRect textRect(cell.left + zoomEdge(kCheckWidth, zoom), cell.top, cell.right - zoomEdge(kPadding, zoom),
                       cell.bottom);
        CRect saved;
        context->getClipRect(saved);
        context->setClipRect(CRect(textRect).bound(saved));
        context->setFontColor(ink);
        context->drawString(text, textRect, false, kLeftText);
        context->setClipRect(saved);
    }
    setDirty(false);
}

void COptionMenuPopup::close(CDrawContext* context, long chosen)
{
    COptionMenu* owner = menu;
    CFrame* frame = getFrame();
    owner->setPopupOpen(false);
    owner->setDirty(true);
    if (frame)
        frame->setModalView(nullptr);
    owner->choose(chosen, context);
    forget();
}

void COptionMenuPopup::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    if (buttons == -1 && context)
        buttons = context->getMouseButtons();
    if (!size.pointInside(where))
    {
        close(context, -1);
        return;
    }
    if (!(buttons & kLButton))
        return;
    const long index = entryAt(where);
    if (index < 0 || COptionMenu::isSeparator(menu->getEntry(index)))
        return;
    close(context, index);
}

void COptionMenuPopup::mouseMoved(CDrawContext*, const CPoint& where)
{
    const long index = entryAt(where);
    const long next = index >= 0 && !COptionMenu::isSeparator(menu->getEntry(index)) ? index : -1;
    if (next != highlight)
    {
        highlight = next;
        setDirty(true);
    }
}

void COptionMenuPopup::moveHighlight(long step)
{
    const long count = menu->getNbEntries();
    long index = highlight;
    for (long tries = 0; tries < count; ++tries)
    {
        index = index < 0 ? (step > 0 ? 0 : count - 1) : (index + step + count) % count;
        if (!COptionMenu::isSeparator(menu->getEntry(index)))
        {
            highlight = index;
            setDirty(true);
            return;
        }
    }
}

long COptionMenuPopup::onKeyDown(VstKeyCode& key)
{
    switch (key.virt)
    {
    case VKEY_UP:
        moveHighlight(-1);
        return 1;
    case VKEY_DOWN:
        moveHighlight(1);
        return 1;
    case VKEY_LEFT:
        moveHighlight(-rows);
        return 1;
    case VKEY_RIGHT:
        moveHighlight(rows);
        return 1;
    case VKEY_RETURN:
    case VKEY_ENTER:
    {
        CDrawContext* none = nullptr;
        close(none, highlight);
        return 1;
    }
    case VKEY_ESCAPE:
    {
        CDrawContext* none = nullptr;
        close(none, -1);
        return 1;
    }
    default:
        return -1;
    }
}
