// The base effect: owns the interface record the host holds, turns the
// VST 1 opcodes (0..24) into virtual operations, and wraps the host callback.
//
// Threads: the dispatcher, setParameter and getParameter arrive on the host's
// control or user-interface thread, processReplacing on its audio thread.
#pragma once

#include "vst/VstInterface.h"

class AEffEditor;

class AudioEffect
{
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float newRate) { sampleRate = newRate; }
    virtual void setBlockSize(VstInt32 newSize) { blockSize = newSize; }
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual void processDoubleReplacing(double**, double**, VstInt32) {}

    virtual void setParameter(VstInt32, float) {}
    virtual float getParameter(VstInt32) { return 0.0f; }
    // Sets the parameter, then tells the host so it can record automation.
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(VstInt32, char* label);
    virtual void getParameterDisplay(VstInt32, char* text);
    virtual void getParameterName(VstInt32, char* text);
    virtual VstInt32 getChunk(void**, bool) { return 0; }
    virtual VstInt32 setChunk(void*, VstInt32, bool) { return 0; }

    virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

    virtual AEffEditor* getEditor() { return editor; }
    // Called by the editor's constructor; the effect owns and deletes it, and
    // deletes the editor it replaces.
    virtual void setEditor(AEffEditor* newEditor);

    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }

    // Host queries. Each answers a neutral value when there is no callback.
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

    // Deprecated VST 1 operations, kept for hosts that still call them.
    virtual void process(float**, float**, VstInt32) {}
    virtual float getVu() { return 0.0f; }
    virtual void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }
    virtual void setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }

    audioMasterCallback getHostCallback() const { return audioMaster; }

protected:
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    void setFlag(VstInt32 flag, bool state);

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    AEffect cEffect{};

private:
    static VstIntPtr VSTCALLBACK dispatchEffect(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                void* ptr, float opt);
    static void VSTCALLBACK processEffect(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void VSTCALLBACK processReplacingEffect(AEffect* e, float** inputs, float** outputs,
                                                   VstInt32 sampleFrames);
    static void VSTCALLBACK processDoubleReplacingEffect(AEffect* e, double** inputs, double** outputs,
                                                         VstInt32 sampleFrames);
    static void VSTCALLBACK setParameterEffect(AEffect* e, VstInt32 index, float value);
    static float VSTCALLBACK getParameterEffect(AEffect* e, VstInt32 index);
};

// Copies a zero-terminated text into a host buffer of at least `capacity`
// bytes; the copy is always terminated. A null destination is ignored.
void copyText(char* destination, const char* source, int capacity);
