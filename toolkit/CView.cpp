#include "CView.h"

#include "CBitmap.h"
#include "CDrawContext.h"

#include <atomic>

namespace
{
std::atomic<long> liveViews{0};
}

CView::CView(const CRect& rect) : size(rect), mouseableArea(rect)
{
    ++liveViews;
}

CView::~CView()
{
    if (background)
        background->forget();
    --liveViews;
}

long CView::liveCount()
{
    return liveViews.load();
}

void CView::draw(CDrawContext* context)
{
    if (background)
    {
        if (transparencyEnabled)
            background->drawTransparent(context, size);
        else
            background->draw(context, size);
    }
    setDirty(false);
}

void CView::mouse(CDrawContext*, CPoint&, long) {}

bool CView::onWheel(CDrawContext*, const CPoint&, float)
{
    return false;
}

long CView::onKeyDown(VstKeyCode&)
{
    return -1;
}

long CView::onKeyUp(VstKeyCode&)
{
    return -1;
}

void CView::mouseMoved(CDrawContext*, const CPoint&) {}

bool CView::hitTest(const CPoint& where, long)
{
    return mouseableArea.pointInside(where);
}

void CView::setBackground(CBitmap* bitmap)
{
    if (bitmap == background)
        return;
    if (background)
        background->forget();
    background = bitmap;
    if (background)
        background->remember();
    setDirty(true);
}

void CView::setViewSize(const CRect& rect)
{
    size = rect;
    setDirty(true);
}

CRect& CView::getViewSize(CRect& rect) const
{
    rect = size;
    return rect;
}

CRect& CView::getMouseableArea(CRect& rect) const
{
    rect = mouseableArea;
    return rect;
}
