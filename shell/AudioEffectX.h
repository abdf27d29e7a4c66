// The VST 2 extension of the base effect: opcodes 25..79 and the host
// queries added with VST 2. Every operation answers the neutral default;
// the effect overrides what it offers.
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect
{
public:
    using AudioEffect::AudioEffect;

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    void resume() override;

    virtual VstInt32 processEvents(VstEvents*) { return 0; }
    virtual bool canParameterBeAutomated(VstInt32) { return true; }
    virtual bool string2parameter(VstInt32, char*) { return false; }
    virtual bool getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
    virtual bool getInputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual bool getOutputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual VstInt32 getPlugCategory();
    virtual bool offlineNotify(VstAudioFile*, VstInt32, bool) { return false; }
    virtual bool offlinePrepare(VstOfflineTask*, VstInt32) { return false; }
    virtual bool offlineRun(VstOfflineTask*, VstInt32) { return false; }
    virtual bool processVariableIo(VstVariableIo*) { return false; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
    virtual bool setBypass(bool) { return false; }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }
    virtual VstInt32 canDo(char*) { return 0; }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual bool getParameterProperties(VstInt32, VstParameterProperties*) { return false; }
    virtual VstInt32 getVstVersion() { return 2400; }
    virtual VstInt32 getMidiProgramName(VstInt32, VstMidiProgramName*) { return 0; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32, VstMidiProgramName*) { return -1; }
    virtual VstInt32 getMidiProgramCategory(VstInt32, VstMidiProgramCategory*) { return 0; }
    virtual bool hasMidiProgramsChanged(VstInt32) { return false; }
    virtual bool getMidiKeyName(VstInt32, MidiKeyName*) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual VstInt32 getNextShellPlugin(char*) { return 0; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual VstInt32 setTotalSampleToProcess(VstInt32 value) { return value; }
    virtual bool setPanLaw(VstInt32, float) { return false; }
    virtual VstInt32 beginLoadBank(VstPatchChunkInfo*) { return 0; }
    virtual VstInt32 beginLoadProgram(VstPatchChunkInfo*) { return 0; }
    virtual bool setProcessPrecision(VstInt32) { return false; }
    virtual VstInt32 getNumMidiInputChannels() { return 0; }
    virtual VstInt32 getNumMidiOutputChannels() { return 0; }

    // Host queries added with VST 2.
    virtual bool ioChanged();
    virtual bool updateSampleRate();
    virtual VstInt32 updateBlockSize();
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    virtual bool updateDisplay();
    virtual void wantEvents(VstInt32 filter = 1);
    // Asks the host to give the editor a window of this size; false when
    // the host refused or does not know the request.
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);
};
