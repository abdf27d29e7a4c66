// A frame laid out like the editor's panel, with every bitmap control, value
// field, the lamp, the About zone and the preset-bar buttons in place, for
// tests that draw, click and compare pixels.
#pragma once

#include "CAbout.h"
#include "CustomControls.h"
#include "Toolkit.h"

#include <memory>
#include <string>
#include <vector>

struct RecordingListener : CPresetSystemListener
{
    std::vector<long> changedTags;
    std::vector<std::string> calls;
    long modifierAnswer = 0;

    void valueChanged(CDrawContext*, CControl* control) override { changedTags.push_back(control->getTag()); }
    long controlModifierClicked(CDrawContext*, CControl*, long) override { return modifierAnswer; }
    void loadBank() override { calls.push_back("loadBank"); }
    void saveBank() override { calls.push_back("saveBank"); }
    void loadPreset() override { calls.push_back("loadPreset"); }
    void savePreset() override { calls.push_back("savePreset"); }
    void stepProgram(bool up) override { calls.push_back(up ? "next" : "previous"); }
};

struct PanelControls
{
    CAnimKnob* decay = nullptr;
    CAnimKnob* lowGain = nullptr;
    CMyRocker* typeRocker = nullptr;
    COptionMenu* typeList = nullptr;
    CMovieBitmap* typePicture = nullptr;
    CHorizontalSlider* preDelay = nullptr;
    COnOffButton* power = nullptr;
    CTextLED* lamp = nullptr;
    CAbout* about = nullptr;
    CTextEdit* decayField = nullptr;
    CTextEdit* nameField = nullptr;
    COptionMenu* programList = nullptr;
    COrvRockerSwitch* stepRocker = nullptr;
    CSaveLoadButton* saveBank = nullptr;
    COrvOnOffButton* recallA = nullptr;
};

// Builds the panel into a new frame (no window) with `listener` on every control.
std::unique_ptr<CFrame> buildPanel(RecordingListener& listener, PanelControls& controls,
                                   AEffGUIEditor* editor = nullptr, void* parentWindow = nullptr);
