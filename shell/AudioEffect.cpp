#include "AudioEffect.h"

#include "AEffEditor.h"

#include <cstring>

namespace
{
// The most a host buffer for a name or display text is trusted to hold.
constexpr int kHostTextCapacity = kVstMaxLabelLen;
} // namespace

void copyText(char* destination, const char* source, int capacity)
{
    if (!destination || capacity <= 0)
        return;
    if (!source)
        source = "";
    const size_t length = strnlen(source, static_cast<size_t>(capacity - 1));
    memcpy(destination, source, length);
    destination[length] = 0;
}

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32 programs, VstInt32 params)
    : audioMaster(master), numPrograms(programs), numParams(params)
{
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffect;
    cEffect.process = processEffect;
    cEffect.setParameter = setParameterEffect;
    cEffect.getParameter = getParameterEffect;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEffect;
    cEffect.processDoubleReplacing = processDoubleReplacingEffect;
    canProcessReplacing(true);
}

AudioEffect::~AudioEffect()
{
    setEditor(nullptr);
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    if (newEditor == editor)
        return;
    // The pointer changes before the old editor goes, so whatever that
    // editor's destructor asks of the effect finds its successor.
    AEffEditor* replaced = editor;
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
    delete replaced;
}

void AudioEffect::setFlag(VstInt32 flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

void AudioEffect::processReplacing(float**, float** outputs, VstInt32 sampleFrames)
{
    if (!outputs)
        return;
    for (VstInt32 channel = 0; channel < cEffect.numOutputs; ++channel)
        if (outputs[channel])
            for (VstInt32 i = 0; i < sampleFrames; ++i)
                outputs[channel][i] = 0.0f;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::getProgramName(char* name)
{
    copyText(name, "", kHostTextCapacity);
}

void AudioEffect::getParameterLabel(VstInt32, char* label)
{
    copyText(label, "", kHostTextCapacity);
}

void AudioEffect::getParameterDisplay(VstInt32, char* text)
{
    copyText(text, "", kHostTextCapacity);
}

void AudioEffect::getParameterName(VstInt32, char* text)
{
    copyText(text, "", kHostTextCapacity);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion()
{
    const VstIntPtr version = callHost(audioMasterVersion);
    return version ? static_cast<VstInt32>(version) : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId()
{
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle()
{
    callHost(audioMasterIdle);
}

// The pin-connection query answers 0 for "connected"; without a host every
// pin counts as connected.
bool AudioEffect::isInputConnected(VstInt32 input)
{
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output)
{
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode)
    {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value < numPrograms)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr)
            setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr)
            getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr)
            getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        return editor && editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
        // The editor opens inside the host's window; without one there is nothing to open.
        return editor && ptr && editor->open(ptr) ? 1 : 0;
    case effEditClose:
        if (editor)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor)
            editor->idle();
        return 0;
    case effIdentify:
        return fourCharCode('N', 'v', 'E', 'f');
    case effGetChunk:
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

VstIntPtr VSTCALLBACK AudioEffect::dispatchEffect(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                  void* ptr, float opt)
{
    if (!e || !e->object)
        return 0;
    auto* effect = static_cast<AudioEffect*>(e->object);
    if (opcode == effClose)
    {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void VSTCALLBACK AudioEffect::processEffect(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (e && e->object)
        static_cast<AudioEffect*>(e->object)->process(inputs, outputs, sampleFrames);
}

void VSTCALLBACK AudioEffect::processReplacingEffect(AEffect* e, float** inputs, float** outputs,
                                                     VstInt32 sampleFrames)
{
    if (e && e->object)
        static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
}

void VSTCALLBACK AudioEffect::processDoubleReplacingEffect(AEffect* e, double** inputs, double** outputs,
                                                           VstInt32 sampleFrames)
{
    if (e && e->object)
        static_cast<AudioEffect*>(e->object)->processDoubleReplacing(inputs, outputs, sampleFrames);
}

void VSTCALLBACK AudioEffect::setParameterEffect(AEffect* e, VstInt32 index, float value)
{
    if (e && e->object)
        static_cast<AudioEffect*>(e->object)->setParameter(index, value);
}

float VSTCALLBACK AudioEffect::getParameterEffect(AEffect* e, VstInt32 index)
{
    return e && e->object ? static_cast<AudioEffect*>(e->object)->getParameter(index) : 0.0f;
}
