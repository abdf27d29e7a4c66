// The effect's editor: a 300 x 294 panel with a knob, switch, slider or list
// for every user parameter, each with an editable value field, the overload
// lamp with its peak readout, the About zone on the title strip, and the
// preset bar of the base class along the bottom.
//
// Zoom: the panel is drawn at 100, 150 or 200 % (Zoom.h), every place at
// round(place x level), with the bitmaps drawn for that level. An editor made
// with a level keeps it; one made without follows the level the user chose
// (a right-click on the panel's background offers the three, and the choice
// is stored for the user, ZoomSetting.h), else the screen's. A change while
// open asks the host for a window of the new size and keeps the old level
// when the host refuses.
//
// Threads: the host's user-interface thread opens, idles and closes the
// editor and delivers its input. setParameter may arrive from any thread: on
// the thread that opened the editor it updates the controls at once; from
// any other it only records the value, and the next idle shows it.
#pragma once

#include "CPresetSystemEditor.h"
#include "Parameters.h"
#include "PeakHold.h"

#include <atomic>

class CAbout;
class CAnimKnob;
class CBitmap;
class CHorizontalSlider;
class CMovieBitmap;
class CMyRocker;
class COnOffButton;
class CTextLED;
class Corvanta;

class CorvantaEditor : public CPresetSystemEditor
{
public:
    enum Tag : long
    {
        kLampTag = 18,
        kTypeListTag = 19,
        kAboutTag = 31,
        kZoomMenuTag = 43,
    };

    // kFollowChoice: the user's stored choice, else the screen's level.
    static constexpr int kFollowChoice = 0;
    explicit CorvantaEditor(AudioEffect* effect, int zoomLevel = kFollowChoice);
    ~CorvantaEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void setParameter(VstInt32 index, float value) override;
    void valueChanged(CDrawContext* context, CControl* control) override;

    // Draws the editor at another level from now on (100, 150 or 200); while
    // open the host is asked for the new size first. False, with the level
    // unchanged, for another number or when the host refuses.
    bool setZoom(int percent);
    // The level the user picked from the background menu: applied at the
    // next idle (the menu is still on the stack now) and, when the host
    // agrees, stored as the user's choice.
    void chooseZoom(int percent);
    void backgroundRightClicked(const CPoint& where) override;
    void screenZoomChanged(int percent) override;

    // Only the host's parameters are announced as gestures; the list and
    // field tags name no parameter.
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;

    // The control of a tag while open (the Type picture is not listed: it
    // shares tag 1 with the rocker); null when closed.
    CControl* getControl(long tag) const;
    CMovieBitmap* getTypePicture() const { return typePicture; }
    CTextLED* getLamp() const { return lamp; }
    CAbout* getAbout() const { return about; }
    const PeakHold& getPeakHold() const { return peakHold; }

private:
    // Sets the controls of one parameter from the effect (editor's thread).
    void showParameter(VstInt32 index, float value);
    void takePendingParameters();
    // The level to draw at when nothing was asked for: fixed, chosen or the screen's.
    int preferredZoom(void* parentWindow) const;
    // Loads the panel bitmap of the level and sizes the editor rectangle.
    void takeZoom(int percent);
    void applyPendingZoom();
    // Creates the frame and every control at the current level.
    bool build(void* parentWindow);

    Corvanta* corvanta;
    CBitmap* panel = nullptr;
    PeakHold peakHold;
    const int fixedZoom;
    int pendingZoom = 0;
    bool pendingIsChoice = false;
    COptionMenu* zoomMenu = nullptr;

    // Parameters set on other threads, for the next idle.
    std::atomic<uint32_t> pendingMask{0};
    std::atomic<float> pendingValues[kNumParameterSlots] = {};

    CAnimKnob* knobs[kNumHostParameters] = {}; // by parameter index; 3..10 used
    CTextEdit* fields[kNumHostParameters] = {}; // by parameter index; 2..10 used
    CMyRocker* typeRocker = nullptr;
    COptionMenu* typeList = nullptr;
    CMovieBitmap* typePicture = nullptr;
    CHorizontalSlider* preDelaySlider = nullptr;
    COnOffButton* powerSwitch = nullptr;
    CTextLED* lamp = nullptr;
    CAbout* about = nullptr;
};

// The editor on the platform's window backend with its file dialogs, drawn
// at `zoomLevel` (kFollowChoice: the user's or the screen's level); it
// registers itself with the effect, which owns it (PluginEditorFactory.cpp).
CorvantaEditor* createPlatformEditor(AudioEffect* effect, int zoomLevel);
