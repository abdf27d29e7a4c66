// The editor's frame: owns its window (when it has a parent window and a
// platform backend), a pixel buffer of its size, the tree of views, an
// optional modal view that takes all mouse input, and the view with the
// keyboard focus. Views marked dirty are redrawn into the buffer at the next
// idle and the changed area shown in the window.
//
// Threads: everything runs on the editor's user-interface thread; values and
// dirty marks may be set from the host's control thread (they are plain
// fields read at the next idle).
#pragma once

#include "CDrawContext.h"
#include "CViewContainer.h"
#include "PlatformWindow.h"
#include "Zoom.h"
#include "draw/PixelBuffer.h"

#include <memory>

class AEffGUIEditor;

class CFrame : public CViewContainer
{
public:
    CFrame(const CRect& size, void* systemWindow, AEffGUIEditor* editor);
    ~CFrame() override;

    AEffGUIEditor* getEditor() const { return editor; }
    // The editor's zoom level when the frame was made (100 without an
    // editor): text and the controls' gestures scale with it.
    int getZoom() const { return zoom; }
    void* getSystemWindow() const { return systemWindow; }
    PlatformWindow* getPlatformWindow() const { return window.get(); }
    // Replaces the window (tests drive the frame through a scripted one).
    void setPlatformWindow(std::unique_ptr<PlatformWindow> newWindow);

    // Handles pending window events, then redraws what is dirty.
    void idle();
    // Redraws what is dirty and shows it; used inside mouse-tracking loops.
    void doIdleStuff();
    // Marks the whole frame for repainting at the next idle.
    void setDirty(bool state = true) override;
    void invalidRect(const CRect& rect);
    // Draws everything now (the host asked for a redraw).
    void redraw();

    // The modal view takes all mouse input until it is removed. The frame
    // takes over the caller's reference when it accepts a view, and hands it
    // back (without releasing it) when the view is removed with null; a modal
    // view still set when the frame is deleted is released by the frame.
    bool setModalView(CView* view);
    CView* getModalView() const { return modalView; }
    // The modal view, or else the topmost view under the mouse pointer.
    CView* getCurrentView() const;
    void getCurrentLocation(CPoint& where) const { where = mouseWhere; }

    void setFocusView(CView* view);
    CView* getFocusView() const { return focusView; }

    long getKnobMode() const;
    void beginEdit(long tag);
    void endEdit(long tag);

    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    long onKeyUp(VstKeyCode& keyCode) override;
    // Wheel input at the current mouse position (from the editor).
    bool onWheel(float distance);
    using CViewContainer::onWheel;

    // Called by a control's mouse-tracking loop through its draw context.
    long pollMouseButtons();

    // Input from the platform window, in frame pixels.
    void platformMouseDown(const CPoint& where, long buttons);
    void platformMouseUp(const CPoint& where, long buttons);
    void platformMouseMoved(const CPoint& where, long buttons);
    void platformPointerLeft();
    void platformWheel(const CPoint& where, float distance, long modifiers);
    void platformKey(VstKeyCode keyCode, bool down);
    void platformExpose(const CRect& area);
    // The window's screen asks for this zoom level now (it changed monitor).
    void platformScreenZoom(int percent);

    const PixelBuffer& getBuffer() const { return buffer; }
    // A draw context on the frame's buffer.
    CDrawContext createDrawContext() { return CDrawContext(this, buffer); }

    // A view leaves the frame: drop any pointer the frame keeps to it.
    void viewWillGo(CView* view);

private:
    void redrawPending(CDrawContext& context);
    void repaintArea(CDrawContext& context, const CRect& area);
    void present(const CRect& area);

    AEffGUIEditor* editor;
    int zoom;
    void* systemWindow;
    std::unique_ptr<PlatformWindow> window;
    PixelBuffer buffer;
    CView* modalView = nullptr;
    CView* focusView = nullptr;
    CRect invalidArea;
    CPoint mouseWhere{-1, -1};
    long mouseButtons = 0;
    bool inMouse = false;
};
