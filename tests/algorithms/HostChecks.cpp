#include "HostChecks.h"

#include "Corvanta.h"
#include "TestHost.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
constexpr float kRate = 44100.0f;
constexpr int32_t kBlock = 441; // 10 ms

class Instance
{
public:
    Instance() : effect(silentHostCallback), inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock)
    {
        effect.setSampleRate(kRate);
        effect.setBlockSize(kBlock);
        effect.resume();
    }

    // One block of uniform noise of the given amplitude (0 for silence);
    // returns the block's output peak. Fixed seed, so every run is the same.
    float play(float amplitude)
    {
        for (int32_t i = 0; i < kBlock; ++i)
        {
            inL[static_cast<size_t>(i)] = amplitude * nextNoise();
            inR[static_cast<size_t>(i)] = amplitude * nextNoise();
        }
        return process();
    }

    float click()
    {
        std::fill(inL.begin(), inL.end(), 0.0f);
        std::fill(inR.begin(), inR.end(), 0.0f);
        inL[0] = 1.0f;
        return process();
    }

    void playSilence(int32_t samples)
    {
        for (int32_t done = 0; done < samples; done += kBlock)
            play(0.0f);
    }

    Corvanta effect;
    bool finite = true;

private:
    float nextNoise()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) * (1.0f / 8388608.0f) - 1.0f;
    }

    float process()
    {
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect.processReplacing(inputs, outputs, kBlock);
        float peak = 0.0f;
        for (size_t i = 0; i < outL.size(); ++i)
        {
            finite = finite && std::isfinite(outL[i]) && std::isfinite(outR[i]);
            peak = std::max({peak, std::fabs(outL[i]), std::fabs(outR[i])});
        }
        return peak;
    }

    std::vector<float> inL;
    std::vector<float> inR;
    std::vector<float> outL;
    std::vector<float> outR;
    uint32_t state = 2024u;
};

constexpr int32_t blocksIn(float seconds)
{
    return static_cast<int32_t>(seconds * kRate) / kBlock;
}

// Type set through the parameter, the fade run out on silence, wet only.
void chooseWetOnly(Instance& instance, int32_t type)
{
    instance.effect.setParameter(kType, typeNormalizedValue(type));
    instance.effect.setParameter(kMix, 1.0f);
    instance.playSilence(30000);
}
} // namespace

PowerOffTail powerOffTail(int32_t type)
{
    Instance instance;
    chooseWetOnly(instance, type);
    PowerOffTail result;
    for (int32_t block = 0; block < blocksIn(0.3f); ++block)
        result.peakBeforePowerOff = std::max(result.peakBeforePowerOff, instance.play(0.5f));

    instance.effect.setParameter(kPower, 0.0f);
    for (int32_t block = 0; block < blocksIn(10.0f); ++block)
    {
        const float peak = instance.play(0.5f);
        if (block < blocksIn(0.1f))
            result.peakJustAfter = std::max(result.peakJustAfter, peak);
        if (block >= blocksIn(9.0f))
            result.peakInTenthSecond = std::max(result.peakInTenthSecond, peak);
    }

    for (int32_t block = 0; block < blocksIn(3.0f) && !result.sleptAfterInputStopped; ++block)
    {
        instance.play(0.0f);
        result.sleptAfterInputStopped = instance.effect.getEngine().activityCount <= 0;
    }
    return result;
}

NoiseLoad fullScaleNoiseAtLongestDecay(int32_t type, int32_t seconds)
{
    Instance instance;
    chooseWetOnly(instance, type);
    instance.effect.setParameter(kDecay, 1.0f);
    NoiseLoad result;
    const int32_t blocks = blocksIn(static_cast<float>(seconds));
    for (int32_t block = 0; block < blocks; ++block)
    {
        const float peak = instance.play(1.0f);
        if (block < blocks / 3)
            result.peakFirstThird = std::max(result.peakFirstThird, peak);
        if (block >= blocks - blocks / 3)
            result.peakLastThird = std::max(result.peakLastThird, peak);
    }
    result.finite = instance.finite;
    return result;
}

TypeSelection selectAndPlay(int32_t type, int32_t program)
{
    Instance instance;
    if (program >= 0)
        instance.effect.selectProgram(program);
    else
        instance.effect.setParameter(kType, typeNormalizedValue(type));
    instance.effect.setParameter(kMix, 1.0f);
    instance.playSilence(30000);

    TypeSelection result;
    result.currentType = instance.effect.getEngine().currentType;
    result.wetPeak = instance.click();
    for (int32_t block = 0; block < blocksIn(0.5f); ++block)
        result.wetPeak = std::max(result.wetPeak, instance.play(0.0f));
    return result;
}
