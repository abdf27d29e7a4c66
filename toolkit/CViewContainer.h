// A view that holds other views, drawn in the order they were added (the
// last on top) and hit-tested from the top down. All coordinates, of the
// container and of its views, are frame pixels.
#pragma once

#include "CView.h"

#include <vector>

class CViewContainer : public CView
{
public:
    explicit CViewContainer(const CRect& size);
    ~CViewContainer() override;

    // Takes over the caller's reference to the view.
    virtual bool addView(CView* view);
    virtual bool removeView(CView* view, bool withForget = true);
    virtual void removeAll(bool withForget = true);
    bool isChild(const CView* view) const;
    long getNbViews() const { return static_cast<long>(views.size()); }
    CView* getView(long index) const;
    // The topmost view whose hit test accepts the point, optionally only
    // among views with mouse input enabled.
    CView* getViewAt(const CPoint& where, long buttons = -1, bool mouseEnabledOnly = true) const;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool isDirty() const override;
    void attached(CFrame* frame) override;
    void removed(CFrame* frame) override;
    void parentRepainted(const CRect& area) override;

    void setBackgroundColor(const CColor& color) { backgroundColor = color; }
    CColor getBackgroundColor() const { return backgroundColor; }

protected:
    void drawBackground(CDrawContext* context);
    // Draws each child that is dirty and clears its mark.
    void drawDirtyChildren(CDrawContext* context);

    std::vector<CView*> views;
    CColor backgroundColor = kGreyCColor;
};
