// The last stage of the block path: the equal-power mix of the dry and the
// DC-blocked wet signal, the output gain, and the fold-down of the pair to
// the outputs the host connected; and the DC blockers' runs beside other
// stages.
//
// Threads: audio thread.
#pragma once

#include "Biquad.h"

#include <cmath>
#include <cstdint>

struct OutputMix
{
    float dryGain;
    float wetGain;
    float outputGain;

    OutputMix(float mix, float gain)
        : dryGain(static_cast<float>(std::sqrt(1.0 - static_cast<double>(mix)))), wetGain(std::sqrt(mix)),
          outputGain(gain)
    {
    }

    float operator()(float dry, float wet) const { return (dry * dryGain + wet * wetGain) * outputGain; }

    // Output sample i of a mixed pair: the mean in mono, the pair in stereo,
    // and the right value alone when outR is null (the second output
    // unconnected).
    static void write(bool stereo, float* outL, float* outR, int32_t i, float left, float right)
    {
        if (!stereo)
        {
            outL[i] = (left + right) * 0.5f;
        }
        else if (outR)
        {
            outL[i] = left;
            outR[i] = right;
        }
        else
        {
            outL[i] = right; // the right value overwrites the left
        }
    }
    // write for samples 0..n-1 of mixed pairs.
    static void writeBlock(bool stereo, float* outL, float* outR, const float* left, const float* right, int32_t n)
    {
        if (!stereo)
            for (int32_t i = 0; i < n; ++i)
                outL[i] = (left[i] + right[i]) * 0.5f;
        else if (outR)
            for (int32_t i = 0; i < n; ++i)
                outL[i] = left[i], outR[i] = right[i];
        else
            for (int32_t i = 0; i < n; ++i)
                outL[i] = right[i];
    }
};

// The wet signal's DC blockers run beside other work that waits on its own
// recursions: a kernel's tone stages (at the host rate: the block's wet
// samples are then the kernel's output sample for sample, and the blockers
// filter the chunks the kernel has finished while it works on the next), or
// the interpolator's turns (filtering the host samples of each turn while
// the next is computed). Only while the fade's gain is 1 for the whole
// block; the owner filters what is left afterwards. Inactive, `ready` stays
// 0 and a step does nothing.
struct WetBlockerRun
{
    BiquadPair blockers;
    float* left = nullptr;
    float* right = nullptr;
    int32_t done = 0;  // samples filtered, in place
    int32_t ready = 0; // samples complete

    void step()
    {
        if (done < ready)
        {
            // The fade's gain is 1 while this runs.
            const BiquadPair::Lanes y = blockers.process(
                BiquadPair::Lanes{static_cast<double>(left[done] * 1.0f), static_cast<double>(right[done] * 1.0f)});
            left[done] = static_cast<float>(y[0]);
            right[done] = static_cast<float>(y[1]);
            ++done;
        }
    }
    // Every sample below `end` filtered.
    void filterUpTo(int32_t end)
    {
        ready = end;
        while (done < ready)
            step();
    }
};
