#include "Corvanta.h"

#include "AEffEditor.h"
#include "ValueText.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr int kHostTextCapacity = kVstMaxLabelLen;

// Texts the effect answers "yes" to, compared as whole strings.
constexpr const char* kCanDoTexts[] = {"offline", "plugAsChannelInsert", "plugAsSend", "mixDryWet",
                                       "1in1out", "1in2out",             "2in2out"};

bool fillPinProperties(VstInt32 index, VstPinProperties* properties, const char* direction)
{
    if (index >= 2 || index < 0 || !properties)
        return false;
    std::snprintf(properties->label, sizeof(properties->label), "ORV Quadrel %1d %s", static_cast<int>(index + 1),
                  direction);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}
} // namespace

Corvanta::Corvanta(audioMasterCallback audioMaster, EditorFactory editorFactory)
    : CPresetSystemEffect(audioMaster)
{
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing(true);
    setUniqueID(kUniqueId);
    if (editorFactory)
        editorFactory(this); // registers itself through setEditor
    loadFactoryPrograms();
    setParameter(kDiffusion, 1.0f);
    selectProgram(0);
    suspend();
}

Corvanta::~Corvanta() = default;

void Corvanta::setParameter(VstInt32 index, float value)
{
    float stored = 0.0f;
    if (!params.apply(index, value, stored))
        return;
    CPresetSystemEffect::setParameter(index, stored);
    if (index == kPower || index == kMix || index == kOutput)
        storeInAllPrograms(index, stored);
    if (editor)
        editor->setParameter(index, stored);
}

float Corvanta::getParameter(VstInt32 index)
{
    return params.get(index);
}

void Corvanta::getParameterName(VstInt32 index, char* text)
{
    copyText(text, parameterInfo(index).name, kHostTextCapacity);
}

void Corvanta::getParameterLabel(VstInt32, char* text)
{
    copyText(text, "   ", kHostTextCapacity);
}

void Corvanta::getParameterDisplay(VstInt32 index, char* text)
{
    char display[kValueTextCapacity] = {};
    params.displayText(index, display);
    copyText(text, display, kHostTextCapacity);
}

bool Corvanta::getParameterProperties(VstInt32 index, VstParameterProperties* properties)
{
    if (index != kPower || !properties)
        return false;
    properties->flags = kVstParameterIsSwitch | kVstParameterUsesFloatStep;
    copyText(properties->label, parameterInfo(kPower).name, kVstMaxLabelLen);
    copyText(properties->shortLabel, parameterInfo(kPower).name, kVstMaxShortLabelLen);
    properties->stepFloat = 1.0f;
    properties->smallStepFloat = 1.0f;
    properties->largeStepFloat = 1.0f;
    return true;
}

void Corvanta::suspend()
{
    engine.suspend();
    ioChanged();
}

void Corvanta::resume()
{
    AudioEffectX::resume();
    const VstInt32 blockSizeAnswer = updateBlockSize();
    engine.resume(getSampleRate(), blockSizeAnswer);
    ioChanged();
}

void Corvanta::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames == 0)
    {
        // Nothing to read or write, and no pin to ask about; the block still counts.
        engine.process(nullptr, nullptr, 0, PinConnections{});
        return;
    }
    if (!inputs || !outputs || !inputs[0] || !outputs[0] || sampleFrames < 0)
        return;
    // The host is asked once per block, not per sample.
    PinConnections pins;
    pins.secondInput = engine.stereoIn && inputs[1] && isInputConnected(1);
    pins.secondOutput = engine.stereoOut && outputs[1] && isOutputConnected(1);
    engine.process(inputs, outputs, sampleFrames, pins);
}

bool Corvanta::getEffectName(char* name)
{
    copyText(name, kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool Corvanta::getVendorString(char* text)
{
    copyText(text, kVendorString, kVstMaxVendorStrLen);
    return true;
}

bool Corvanta::getProductString(char* text)
{
    copyText(text, kProductString, kVstMaxProductStrLen);
    return true;
}

VstInt32 Corvanta::canDo(char* text)
{
    if (!text)
        return 0;
    for (const char* candidate : kCanDoTexts)
        if (std::strcmp(text, candidate) == 0)
            return 1;
    return 0;
}

bool Corvanta::getInputProperties(VstInt32 index, VstPinProperties* properties)
{
    return fillPinProperties(index, properties, "In");
}

bool Corvanta::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    return fillPinProperties(index, properties, "Out");
}

bool Corvanta::setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output)
{
    const VstInt32 ins = input ? input->numChannels : 0;
    const VstInt32 outs = output ? output->numChannels : 0;
    engine.stereoIn = 1;
    engine.stereoOut = 1;
    if (ins == 1 && outs == 1)
    {
        engine.stereoIn = 0;
        engine.stereoOut = 0;
        return true;
    }
    if (ins == 1 && outs == 2)
    {
        engine.stereoIn = 0;
        return true;
    }
    return ins == 2 && outs == 2;
}
