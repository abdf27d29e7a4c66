// What the preset-bar buttons call on the editor that owns the preset bar:
// stepping through the programs and the four file operations.
#pragma once

#include "CControl.h"

class CPresetSystemListener : public CControlListener
{
public:
    virtual void loadBank() = 0;
    virtual void saveBank() = 0;
    virtual void loadPreset() = 0;
    virtual void savePreset() = 0;
    // Previous program (up false) or next (up true).
    virtual void stepProgram(bool up) = 0;
};
