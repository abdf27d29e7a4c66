// The editor base for editors drawn with this toolkit: keeps the editor
// rectangle and the frame, idles the frame, routes keys and the wheel to it,
// holds the knob mode, and reports parameter gestures to the host.
// Subclasses create the frame in open and delete it in close.
// All calls arrive on the host's user-interface thread, except setParameter.
#pragma once

#include "AEffEditor.h"
#include "CToolkitConstants.h"
#include "Zoom.h"

class CFrame;

class AEffGUIEditor : public AEffEditor
{
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    bool setKnobMode(VstInt32 mode) override;
    void setParameter(VstInt32 index, float value) override;

    // Wheel input at the mouse position; true when a control used it.
    virtual bool onWheel(float distance);
    // The host asks for the whole editor to be drawn again.
    virtual void draw(ERect* rect);
    virtual void beginEdit(VstInt32 index);
    virtual void endEdit(VstInt32 index);

    long getKnobMode() const { return knobMode; }
    CFrame* getFrame() const { return frame; }
    // The zoom level (Zoom.h) the editor draws at; a frame takes it when it
    // is made, and the editor rectangle is the panel at that level.
    int getZoom() const { return zoom; }
    // The screen under the open editor asks for another level (it moved to
    // a monitor of another density). Nothing by default.
    virtual void screenZoomChanged(int) {}
    // A right-click where no control is. Nothing by default.
    virtual void backgroundRightClicked(const CPoint&) {}

protected:
    // The panel's size at 100 %; the editor rectangle becomes the panel at
    // the current zoom level.
    void setPanelSize(long width, long height);
    void setZoomLevel(int percent);

    ERect rect{};
    CFrame* frame = nullptr;
    long knobMode = kCircularMode;
    int zoom = kUnzoomed;
    CPoint panelSize; // at 100 %
};
