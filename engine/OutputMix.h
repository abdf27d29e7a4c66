// The last stage of the block path: the equal-power mix of the dry and the
// DC-blocked wet signal, the output gain, and the fold-down of the pair to
// the outputs the host connected.
//
// Threads: audio thread.
#pragma once

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
