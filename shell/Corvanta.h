// The reverb effect: identity and host negotiation, the parameter model and
// the engine it drives.
//
// Threads: the parameter calls may arrive from several control threads at
// once and reach the engine only through its hand-over (HandOver.h);
// processReplacing runs on the audio thread; suspend, resume and the speaker
// arrangement come while no block runs.
#pragma once

#include "CPresetSystemEffect.h"
#include "EditorFactory.h"
#include "Parameters.h"
#include "ReverbEngine.h"

class Corvanta : public CPresetSystemEffect
{
public:
    static constexpr VstInt32 kUniqueId = fourCharCode('O', 'R', 'C', 'N');
    static constexpr VstInt32 kVendorVersion = 1600;
    static constexpr const char* kEffectName = "ORV Corvanta";
    static constexpr const char* kProductString = "ORV Corvanta - general purpose reverb plug-in";
    static constexpr const char* kVendorString = "corvanta.audio";

    explicit Corvanta(audioMasterCallback audioMaster, EditorFactory editorFactory = nullptr);
    ~Corvanta() override;

    // Parameters (any control thread).
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    bool getParameterProperties(VstInt32 index, VstParameterProperties* properties) override;

    // Lifecycle and audio.
    void suspend() override;
    void resume() override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

    // Identity and negotiation.
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return kVendorVersion; }
    VstInt32 getPlugCategory() override { return kPlugCategRoomFx; }
    VstInt32 canDo(char* text) override;
    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output) override;

    ReverbEngine& getEngine() { return engine; }
    const ParameterModel& getParameterModel() const { return params; }

private:
    ReverbEngine engine;
    ParameterModel params{engine};
};
