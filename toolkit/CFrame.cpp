#include "CFrame.h"

#include "AEffGUIEditor.h"

namespace
{
// How long a tracking loop waits for the next input event before it looks
// at the mouse state again.
constexpr int kTrackingWaitMs = 10;
PlatformWindowFactory windowFactory = nullptr;
ScreenZoomQuery screenZoomQuery = nullptr;
} // namespace

void setScreenZoomQuery(ScreenZoomQuery query)
{
    screenZoomQuery = query;
}

int screenZoom(void* parent)
{
    const int level = screenZoomQuery ? screenZoomQuery(parent) : kUnzoomed;
    return isZoomLevel(level) ? level : kUnzoomed;
}

void setPlatformWindowFactory(PlatformWindowFactory factory)
{
    windowFactory = factory;
}

PlatformWindowFactory getPlatformWindowFactory()
{
    return windowFactory;
}

CFrame::CFrame(const CRect& rect, void* parent, AEffGUIEditor* owner)
    : CViewContainer(rect), editor(owner), zoom(owner ? owner->getZoom() : kUnzoomed), systemWindow(parent),
      buffer(static_cast<int>(rect.width()), static_cast<int>(rect.height()))
{
    parentFrame = this;
    invalidArea = size;
    if (parent && windowFactory)
        window = windowFactory(*this, parent);
}

CFrame::~CFrame()
{
    // No more events may reach views that are going away.
    window.reset();
    focusView = nullptr;
    if (modalView)
    {
        CView* view = modalView;
        modalView = nullptr;
        view->removed(this);
        view->forget();
    }
    removeAll(true);
}

void CFrame::setPlatformWindow(std::unique_ptr<PlatformWindow> newWindow)
{
    window = std::move(newWindow);
    invalidArea = size;
}

void CFrame::setDirty(bool state)
{
    if (state)
        invalidArea = size;
}

void CFrame::invalidRect(const CRect& rect)
{
    CRect area = rect;
    area.bound(size);
    invalidArea.unite(area);
}

void CFrame::redraw()
{
    invalidArea = size;
    doIdleStuff();
}

void CFrame::idle()
{
    if (window)
        while (window->pumpEvent(0))
        {
        }
    doIdleStuff();
}

void CFrame::doIdleStuff()
{
    CDrawContext context(this, buffer);
    redrawPending(context);
    present(context.getDamage());
}

void CFrame::repaintArea(CDrawContext& context, const CRect& area)
{
    context.setClipRect(area);
    drawBackground(&context);
    for (CView* view : views)
    {
        view->parentRepainted(area);
        view->draw(&context);
        if (area.rectOverlap(view->getViewSize()))
        {
            CRect whole = view->getViewSize();
            if (CRect(whole).bound(area) == whole)
                view->setDirty(false);
        }
    }
    context.resetClipRect();
}

void CFrame::redrawPending(CDrawContext& context)
{
    if (!invalidArea.isEmpty())
    {
        const CRect area = invalidArea;
        invalidArea = CRect();
        repaintArea(context, area);
    }
    drawDirtyChildren(&context);
    if (modalView)
    {
        // Whatever was drawn under the modal view is covered again.
        CRect covered = context.getDamage();
        covered.bound(modalView->getViewSize());
        if (!covered.isEmpty() || modalView->isDirty())
        {
            if (!modalView->isDirty())
                context.setClipRect(covered);
            modalView->draw(&context);
            modalView->setDirty(false);
            context.resetClipRect();
        }
    }
}

void CFrame::present(const CRect& area)
{
    if (window && !area.isEmpty())
        window->present(buffer, area);
}

bool CFrame::setModalView(CView* view)
{
    if (view && modalView)
        return false;
    if (view)
    {
        modalView = view;
        view->attached(this);
        view->setDirty(true);
        invalidRect(view->getViewSize());
        return true;
    }
    if (modalView)
    {
        CView* old = modalView;
        modalView = nullptr;
        if (focusView == old)
            focusView = nullptr;
        invalidRect(old->getViewSize());
        old->removed(this);
    }
    return true;
}

CView* CFrame::getCurrentView() const
{
    if (modalView)
        return modalView;
    return getViewAt(mouseWhere, -1, false);
}

void CFrame::setFocusView(CView* view)
{
    if (view == focusView)
        return;
    CView* old = focusView;
    focusView = view;
    CDrawContext context(this, buffer);
    if (old)
        old->looseFocus(&context);
    if (view)
    {
        view->takeFocus(&context);
        if (window)
            window->takeKeyboardFocus();
    }
}

void CFrame::viewWillGo(CView* view)
{
    if (view == focusView)
        focusView = nullptr;
    if (view == modalView)
        modalView = nullptr;
}

long CFrame::getKnobMode() const
{
    return editor ? editor->getKnobMode() : kCircularMode;
}

void CFrame::beginEdit(long tag)
{
    if (editor)
        editor->beginEdit(tag);
}

void CFrame::endEdit(long tag)
{
    if (editor)
        editor->endEdit(tag);
}

void CFrame::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    if (modalView)
    {
        if (modalView->hitTest(where, buttons))
            modalView->mouse(context, where, buttons);
        return;
    }
    // A click elsewhere ends text editing.
    if (focusView && !focusView->getViewSize().pointInside(where))
        setFocusView(nullptr);
    if (CView* view = getViewAt(where, buttons))
        view->mouse(context, where, buttons);
    else if ((buttons & kRButton) && !(buttons & kLButton) && editor)
        editor->backgroundRightClicked(where);
}

long CFrame::onKeyDown(VstKeyCode& keyCode)
{
    if (focusView)
        return focusView->onKeyDown(keyCode);
    if (modalView)
        return modalView->onKeyDown(keyCode);
    return -1;
}

long CFrame::onKeyUp(VstKeyCode& keyCode)
{
    if (focusView)
        return focusView->onKeyUp(keyCode);
    if (modalView)
        return modalView->onKeyUp(keyCode);
    return -1;
}

bool CFrame::onWheel(float distance)
{
    CDrawContext context(this, buffer);
    bool used = false;
    if (modalView)
        used = modalView->onWheel(&context, mouseWhere, distance);
    else
        used = CViewContainer::onWheel(&context, mouseWhere, distance);
    redrawPending(context);
    present(context.getDamage());
    return used;
}

long CFrame::pollMouseButtons()
{
    if (window)
        window->pumpEvent(kTrackingWaitMs);
    return mouseButtons;
}

void CFrame::platformMouseDown(const CPoint& where, long buttons)
{
    mouseWhere = where;
    mouseButtons = buttons;
    if (inMouse)
        return; // a tracking loop is running; it reads the new state
    inMouse = true;
    CDrawContext context(this, buffer);
    CPoint point = where;
    mouse(&context, point, buttons);
    inMouse = false;
    doIdleStuff();
}

void CFrame::platformMouseUp(const CPoint& where, long buttons)
{
    mouseWhere = where;
    mouseButtons = buttons;
}

void CFrame::platformMouseMoved(const CPoint& where, long buttons)
{
    mouseWhere = where;
    mouseButtons = buttons;
    if (inMouse)
        return;
    CDrawContext context(this, buffer);
    if (modalView)
        modalView->mouseMoved(&context, where);
    else if (CView* view = getViewAt(where, -1, false))
        view->mouseMoved(&context, where);
    redrawPending(context);
    present(context.getDamage());
}

void CFrame::platformPointerLeft()
{
    if (!(mouseButtons & (kLButton | kMButton | kRButton)))
        mouseWhere = CPoint(-1, -1);
}

void CFrame::platformWheel(const CPoint& where, float distance, long modifiers)
{
    mouseWhere = where;
    mouseButtons = (mouseButtons & ~kModifierMask) | (modifiers & kModifierMask);
    if (!inMouse)
        onWheel(distance);
}

void CFrame::platformKey(VstKeyCode keyCode, bool down)
{
    if (down)
        onKeyDown(keyCode);
    else
        onKeyUp(keyCode);
    doIdleStuff();
}

void CFrame::platformScreenZoom(int percent)
{
    if (editor)
        editor->screenZoomChanged(percent);
}

void CFrame::platformExpose(const CRect& area)
{
    if (!invalidArea.isEmpty())
        doIdleStuff();
    present(area);
}
