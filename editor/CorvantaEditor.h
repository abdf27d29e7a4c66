// The effect's editor: a 300 x 294 panel with a knob, switch, slider or list
// for every user parameter, each with an editable value field, the overload
// lamp with its peak readout, the About zone on the title strip, and the
// preset bar of the base class along the bottom.
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
    };

    explicit CorvantaEditor(AudioEffect* effect);
    ~CorvantaEditor() override;

    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void setParameter(VstInt32 index, float value) override;
    void valueChanged(CDrawContext* context, CControl* control) override;

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

    Corvanta* corvanta;
    CBitmap* panel = nullptr;
    PeakHold peakHold;

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
