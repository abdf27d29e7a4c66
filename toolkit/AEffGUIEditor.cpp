#include "AEffGUIEditor.h"

#include "AudioEffectX.h"
#include "CFrame.h"

AEffGUIEditor::AEffGUIEditor(AudioEffect* owner) : AEffEditor(owner) {}

AEffGUIEditor::~AEffGUIEditor()
{
    delete frame;
    frame = nullptr;
}

void AEffGUIEditor::setPanelSize(long width, long height)
{
    panelSize = CPoint(width, height);
    setZoomLevel(zoom);
}

void AEffGUIEditor::setZoomLevel(int percent)
{
    zoom = percent;
    const CRect zoomed = zoomRect(CRect(0, 0, panelSize.h, panelSize.v), zoom);
    rect.left = 0;
    rect.top = 0;
    rect.right = static_cast<VstInt16>(zoomed.right);
    rect.bottom = static_cast<VstInt16>(zoomed.bottom);
}

bool AEffGUIEditor::getRect(ERect** result)
{
    if (!result)
        return false;
    *result = &rect;
    return true;
}

bool AEffGUIEditor::open(void* parentWindow)
{
    AEffEditor::open(parentWindow);
    return true;
}

void AEffGUIEditor::close()
{
    delete frame;
    frame = nullptr;
    AEffEditor::close();
}

void AEffGUIEditor::idle()
{
    if (frame)
        frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode)
{
    return frame && frame->onKeyDown(keyCode) == 1;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode)
{
    return frame && frame->onKeyUp(keyCode) == 1;
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode)
{
    knobMode = mode;
    return true;
}

void AEffGUIEditor::setParameter(VstInt32, float) {}

bool AEffGUIEditor::onWheel(float distance)
{
    return frame && frame->onWheel(distance);
}

void AEffGUIEditor::draw(ERect*)
{
    if (frame)
        frame->redraw();
}

void AEffGUIEditor::beginEdit(VstInt32 index)
{
    if (auto* host = dynamic_cast<AudioEffectX*>(effect))
        host->beginEdit(index);
}

void AEffGUIEditor::endEdit(VstInt32 index)
{
    if (auto* host = dynamic_cast<AudioEffectX*>(effect))
        host->endEdit(index);
}
