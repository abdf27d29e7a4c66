#include "AudioEffectX.h"

#include "AEffEditor.h"

#include <cstring>

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode)
    {
    case effProcessEvents:
        processEvents(static_cast<VstEvents*>(ptr));
        return 0;
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
        return ptr && string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProgramNameIndexed:
        return ptr && getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetInputProperties:
        return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effOfflineNotify:
        return offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<VstInt32>(value), index != 0) ? 1 : 0;
    case effOfflinePrepare:
        return offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)) ? 1 : 0;
    case effOfflineRun:
        return offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)) ? 1 : 0;
    case effProcessVarIo:
        return processVariableIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
    case effSetSpeakerArrangement:
        return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                     static_cast<VstSpeakerArrangement*>(ptr))
                   ? 1
                   : 0;
    case effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        return ptr && getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
        return ptr && getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
        return ptr && getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return ptr ? canDo(static_cast<char*>(ptr)) : 0;
    case effGetTailSize:
        return getGetTailSize();
    case effGetParameterProperties:
        return ptr && getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
        if (editor)
        {
            VstKeyCode keyCode{};
            keyCode.character = index;
            keyCode.virt = static_cast<unsigned char>(value);
            keyCode.modifier = opt >= 0.0f && opt < 256.0f ? static_cast<unsigned char>(opt) : 0;
            const bool used = opcode == effEditKeyDown ? editor->onKeyDown(keyCode) : editor->onKeyUp(keyCode);
            return used ? 1 : 0;
        }
        return 0;
    case effSetEditKnobMode:
        return editor && editor->setKnobMode(static_cast<VstInt32>(value)) ? 1 : 0;
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<VstMidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<VstMidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<VstMidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
        return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
    case effBeginSetProgram:
        return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
        return endSetProgram() ? 1 : 0;
    case effGetSpeakerArrangement:
        return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                     static_cast<VstSpeakerArrangement**>(ptr))
                   ? 1
                   : 0;
    case effShellGetNextPlugin:
        return ptr ? getNextShellPlugin(static_cast<char*>(ptr)) : 0;
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(static_cast<VstInt32>(value));
    case effSetPanLaw:
        return setPanLaw(static_cast<VstInt32>(value), opt) ? 1 : 0;
    case effBeginLoadBank:
        return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
        return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case effSetProcessPrecision:
        return setProcessPrecision(static_cast<VstInt32>(value)) ? 1 : 0;
    case effGetNumMidiInputChannels:
        return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
        return getNumMidiOutputChannels();
    default:
        // Opcodes without an operation here (9, 16..18, 20, 21, 28, 30..32,
        // 36, 37, 43, 46, 53..55, 57) fall through to the base, which
        // answers 0 for every one it does not handle.
        if (opcode >= effProcessEvents)
            return 0;
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::resume()
{
    char receiveMidi[] = "receiveVstMidiEvent";
    if (canDo(receiveMidi) == 1)
        wantEvents();
}

VstInt32 AudioEffectX::getPlugCategory()
{
    return kPlugCategUnknown;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output)
{
    if (input)
        *input = nullptr;
    if (output)
        *output = nullptr;
    return false;
}

bool AudioEffectX::ioChanged()
{
    return callHost(audioMasterIOChanged) != 0;
}

bool AudioEffectX::updateSampleRate()
{
    const VstIntPtr rate = callHost(audioMasterGetSampleRate);
    if (rate > 0)
        sampleRate = static_cast<float>(rate);
    return rate > 0;
}

VstInt32 AudioEffectX::updateBlockSize()
{
    const VstIntPtr size = callHost(audioMasterGetBlockSize);
    if (size > 0)
        blockSize = static_cast<VstInt32>(size);
    return blockSize;
}

bool AudioEffectX::beginEdit(VstInt32 index)
{
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index)
{
    return callHost(audioMasterEndEdit, index) != 0;
}

bool AudioEffectX::updateDisplay()
{
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

void AudioEffectX::wantEvents(VstInt32 filter)
{
    callHost(audioMasterWantMidi, 0, filter);
}
