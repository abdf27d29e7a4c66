// Runs one algorithm's prepare and kernel on an engine without a host, so a
// test can look at its fully wet output sample by sample and at the taps and
// gains its prepare computed. The pre-delay is zero: the kernel's sample i is
// the one that left the pre-delay line at sample i.
#pragma once

#include "ReverbEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Well above the engine's denormal-guard noise (about 1e-8 per sample).
constexpr float kAudible = 1e-5f;

struct WetPair
{
    std::vector<float> left;
    std::vector<float> right;
};

class KernelRig
{
public:
    explicit KernelRig(float hostRate = 44100.0f)
    {
        engine.suspend();
        engine.resume(hostRate, 512);
        engine.preDelayTime = 0.0f;
        engine.updatePreDelay();
    }

    // Runs the algorithm over the input pair (equal lengths), in blocks of
    // `block` samples with a prepare before each, as the block path does.
    template <typename Algorithm>
    WetPair run(Algorithm& algorithm, const std::vector<float>& inL, const std::vector<float>& inR,
                int32_t block = 512)
    {
        WetPair wet{std::vector<float>(inL.size()), std::vector<float>(inL.size())};
        const auto total = static_cast<int32_t>(inL.size());
        for (int32_t done = 0; done < total; done += block)
        {
            const int32_t m = std::min(block, total - done);
            algorithm.prepare(engine);
            algorithm.kernel(engine, inL.data() + done, inR.data() + done, wet.left.data() + done,
                             wet.right.data() + done, m);
        }
        return wet;
    }

    // Only prepares (with needsPrepare raised), for tests of gains and taps.
    template <typename Algorithm>
    void prepare(Algorithm& algorithm)
    {
        engine.needsPrepare = 1;
        algorithm.prepare(engine);
    }

    ReverbEngine engine;
};

inline std::vector<float> impulseAt(size_t length, size_t at, float value = 1.0f)
{
    std::vector<float> signal(length, 0.0f);
    signal[at] = value;
    return signal;
}

// Index of the first sample whose magnitude exceeds `threshold`, or -1.
inline int32_t firstAbove(const std::vector<float>& signal, float threshold = kAudible, size_t from = 0)
{
    for (size_t i = from; i < signal.size(); ++i)
        if (std::fabs(signal[i]) > threshold)
            return static_cast<int32_t>(i);
    return -1;
}

// Indices of every sample whose magnitude exceeds `threshold` in [from, to).
inline std::vector<int32_t> audibleSamples(const std::vector<float>& signal, size_t from, size_t to,
                                           float threshold = kAudible)
{
    std::vector<int32_t> found;
    for (size_t i = from; i < to && i < signal.size(); ++i)
        if (std::fabs(signal[i]) > threshold)
            found.push_back(static_cast<int32_t>(i));
    return found;
}
