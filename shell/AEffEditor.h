// Base of the effect's editor as the effect sees it. The effect owns its
// editor for its whole life; the window exists only between open and close.
// All calls arrive on the host's user-interface thread.
#pragma once

#include "vst/VstInterface.h"

class AudioEffect;

class AEffEditor
{
public:
    explicit AEffEditor(AudioEffect* effect);
    virtual ~AEffEditor() = default;

    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    AudioEffect* getEffect() const { return effect; }

    // Host requests, forwarded by the dispatcher.
    virtual bool getRect(ERect** rect);
    virtual bool open(void* parentWindow);
    virtual void close();
    virtual bool isOpen() const { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& keyCode);
    virtual bool onKeyUp(VstKeyCode& keyCode);
    virtual bool setKnobMode(VstInt32 mode);

    // Notifications from the effect: a parameter changed (from any source),
    // or the current program was renamed by the host or a memo recall.
    virtual void setParameter(VstInt32 index, float value);
    virtual void updateProgramName(const char* name);

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
