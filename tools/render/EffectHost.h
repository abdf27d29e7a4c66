// Drives one Corvanta instance the way a VST host does: construction with a
// host callback, sample rate and block size while suspended, resume, then
// parameter changes and processReplacing in blocks of the host block size.
//
// Threads: one thread does everything, as an offline host would.
#pragma once

#include "Corvanta.h"

#include <cstdint>
#include <string>

// How much silence runs through the effect before the first input sample:
// a program or Type chosen just before rendering starts the type fade
// (20000 samples at most, switching in the middle), and the wet gain then
// rises over 5000 samples. The renderer plays that out on silence so that the
// file carries the full reverb from its first sample. Blocks longer than the
// fade would never reach its switch point, so priming uses shorter ones.
constexpr int32_t kTypeFadeSamples = 20000;
constexpr int32_t kWetRiseSamples = 5000;
constexpr int32_t kMaxPrimingBlock = 4096;

int32_t primingBlockLength(int32_t blockSize);
int32_t primingBlockCount(int32_t blockSize);

class EffectHost
{
public:
    EffectHost();
    ~EffectHost();
    EffectHost(const EffectHost&) = delete;
    EffectHost& operator=(const EffectHost&) = delete;

    Corvanta& effect() { return *corvanta; }
    AEffect* record() { return corvanta->getAeffect(); }

    // While suspended: sample rate and block size, then resume.
    void start(float sampleRate, int32_t blockSize);
    // Switches the effect off (suspend), as a host does before a new rate.
    void stop();

    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);
    std::string parameterName(int32_t index);
    std::string parameterDisplay(int32_t index);
    std::string programName();
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    // Runs the priming silence (see above); its output is dropped.
    void prime();
    // Processes `frames` samples per channel in blocks of the block size (the
    // last block may be shorter). Inputs and outputs may be the same buffers.
    void process(float* inL, float* inR, float* outL, float* outR, int64_t frames);

    int32_t blockSize() const { return hostBlockSize; }
    float sampleRate() const { return hostSampleRate; }

private:
    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

    Corvanta* corvanta = nullptr;
    float hostSampleRate = 44100.0f;
    int32_t hostBlockSize = 512;
    bool running = false;
};
