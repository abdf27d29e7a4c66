// The base of everything a frame holds: a rectangle in frame pixels, a
// dirty mark, mouse and transparency switches and an optional background.
// Views are reference counted; a container owns the reference it is given.
// All operations run on the editor's user-interface thread.
#pragma once

#include "CGraphics.h"
#include "CReferenceCounter.h"
#include "CToolkitConstants.h"
#include "vst/VstInterface.h"

class CBitmap;
class CDrawContext;
class CFrame;

class CView : public CReferenceCounter
{
public:
    explicit CView(const CRect& size);
    ~CView() override;

    virtual void draw(CDrawContext* context);
    // A button press at `where`; buttons -1 means "ask the context".
    virtual void mouse(CDrawContext* context, CPoint& where, long buttons = -1);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    // Key input while this view has the focus: 1 used, -1 not used.
    virtual long onKeyDown(VstKeyCode& keyCode);
    virtual long onKeyUp(VstKeyCode& keyCode);
    // The pointer moved over this view (or anywhere, for the modal view).
    virtual void mouseMoved(CDrawContext* context, const CPoint& where);

    virtual bool hitTest(const CPoint& where, long buttons = -1);
    virtual void setDirty(bool state = true) { dirty = state; }
    virtual bool isDirty() const { return dirty; }

    virtual void setMouseEnabled(bool state) { mouseEnabled = state; }
    virtual bool getMouseEnabled() const { return mouseEnabled; }
    virtual void setTransparency(bool state) { transparencyEnabled = state; }
    virtual bool getTransparency() const { return transparencyEnabled; }

    virtual void setBackground(CBitmap* background);
    virtual CBitmap* getBackground() const { return background; }

    virtual void setViewSize(const CRect& rect);
    virtual CRect& getViewSize(CRect& rect) const;
    const CRect& getViewSize() const { return size; }
    virtual void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
    virtual CRect& getMouseableArea(CRect& rect) const;

    virtual void attached(CFrame* frame) { parentFrame = frame; }
    virtual void removed(CFrame*) { parentFrame = nullptr; }
    CFrame* getFrame() const { return parentFrame; }

    virtual void takeFocus(CDrawContext*) {}
    virtual void looseFocus(CDrawContext*) {}
    // The frame repainted its background in `area`; views that draw outside
    // their own rectangle learn here that those pixels were painted over.
    virtual void parentRepainted(const CRect&) {}

    // Views alive in the process, for leak checks.
    static long liveCount();

protected:
    CRect size;
    CRect mouseableArea;
    CFrame* parentFrame = nullptr;
    CBitmap* background = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool transparencyEnabled = false;
};
