#include "AEffEditor.h"

#include "AudioEffect.h"

AEffEditor::AEffEditor(AudioEffect* owner) : effect(owner)
{
    if (effect)
        effect->setEditor(this);
}

bool AEffEditor::getRect(ERect** rect)
{
    if (rect)
        *rect = nullptr;
    return false;
}

bool AEffEditor::open(void* parentWindow)
{
    systemWindow = parentWindow;
    return false;
}

void AEffEditor::close()
{
    systemWindow = nullptr;
}

bool AEffEditor::onKeyDown(VstKeyCode&)
{
    return false;
}

bool AEffEditor::onKeyUp(VstKeyCode&)
{
    return false;
}

bool AEffEditor::setKnobMode(VstInt32)
{
    return false;
}

void AEffEditor::setParameter(VstInt32, float) {}

void AEffEditor::updateProgramName(const char*) {}
