#include "CViewContainer.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <algorithm>

CViewContainer::CViewContainer(const CRect& rect) : CView(rect) {}

CViewContainer::~CViewContainer()
{
    removeAll(true);
}

bool CViewContainer::addView(CView* view)
{
    if (!view || isChild(view))
        return false;
    views.push_back(view);
    if (parentFrame)
        view->attached(parentFrame);
    view->setDirty(true);
    return true;
}

bool CViewContainer::removeView(CView* view, bool withForget)
{
    const auto found = std::find(views.begin(), views.end(), view);
    if (found == views.end())
        return false;
    views.erase(found);
    if (parentFrame)
    {
        parentFrame->viewWillGo(view);
        view->removed(parentFrame);
    }
    if (withForget)
        view->forget();
    return true;
}

void CViewContainer::removeAll(bool withForget)
{
    while (!views.empty())
        removeView(views.back(), withForget);
}

bool CViewContainer::isChild(const CView* view) const
{
    return std::find(views.begin(), views.end(), view) != views.end();
}

CView* CViewContainer::getView(long index) const
{
    return index >= 0 && index < getNbViews() ? views[static_cast<size_t>(index)] : nullptr;
}

CView* CViewContainer::getViewAt(const CPoint& where, long buttons, bool mouseEnabledOnly) const
{
    for (auto it = views.rbegin(); it != views.rend(); ++it)
    {
        CView* view = *it;
        if (mouseEnabledOnly && !view->getMouseEnabled())
            continue;
        if (view->hitTest(where, buttons))
            return view;
    }
    return nullptr;
}

void CViewContainer::drawBackground(CDrawContext* context)
{
    if (background)
        background->draw(context, size);
    else if (!transparencyEnabled)
    {
        context->setFillColor(backgroundColor);
        context->fillRect(size);
    }
}

void CViewContainer::draw(CDrawContext* context)
{
    CRect clip;
    context->getClipRect(clip);
    CRect area = size;
    area.bound(clip);
    drawBackground(context);
    for (CView* view : views)
    {
        view->parentRepainted(area);
        view->draw(context);
        view->setDirty(false);
    }
    CView::setDirty(false);
}

void CViewContainer::drawDirtyChildren(CDrawContext* context)
{
    for (size_t i = 0; i < views.size(); ++i)
    {
        CView* view = views[i];
        if (!view->isDirty())
            continue;
        if (auto* container = dynamic_cast<CViewContainer*>(view); container && !container->CView::isDirty())
        {
            container->drawDirtyChildren(context);
            continue;
        }
        if (view->getTransparency())
        {
            // What lies under a see-through view has to be painted first.
            CRect saved;
            context->getClipRect(saved);
            CRect area = view->getViewSize();
            area.bound(saved);
            context->setClipRect(area);
            drawBackground(context);
            for (size_t j = 0; j < i; ++j)
                if (views[j]->getViewSize().rectOverlap(area))
                    views[j]->draw(context);
            context->setClipRect(saved);
        }
        view->draw(context);
        view->setDirty(false);
    }
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, long buttons)
{
    if (CView* view = getViewAt(where, buttons))
        view->mouse(context, where, buttons);
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance)
{
    CView* view = getViewAt(where);
    return view ? view->onWheel(context, where, distance) : false;
}

bool CViewContainer::isDirty() const
{
    if (CView::isDirty())
        return true;
    return std::any_of(views.begin(), views.end(), [](const CView* view) { return view->isDirty(); });
}

void CViewContainer::attached(CFrame* frame)
{
    CView::attached(frame);
    for (CView* view : views)
        view->attached(frame);
}

void CViewContainer::removed(CFrame* frame)
{
    for (CView* view : views)
        view->removed(frame);
    CView::removed(frame);
}

void CViewContainer::parentRepainted(const CRect& area)
{
    for (CView* view : views)
        view->parentRepainted(area);
}
