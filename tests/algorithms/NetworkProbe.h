// Drives one algorithm's prepare and kernel directly on an engine, without
// the block path, so tests can read its taps and rings and time its
// impulse responses in kernel samples.
#pragma once

#include "ReverbEngine.h"

#include <cmath>
#include <cstdint>
#include <vector>

struct StereoSignal
{
    std::vector<float> left;
    std::vector<float> right;
};

// An engine resumed at `hostRate` with no pre-delay, flat tone stages and
// the given network parameters.
inline void setUpEngine(ReverbEngine& engine, float hostRate, float decay = 0.5f, float diffusion = 1.0f,
                        float highDamp = 0.0f)
{
    engine.suspend();
    engine.resume(hostRate, 512);
    engine.preDelayTime = 0.0f;
    engine.updatePreDelay();
    engine.decay = decay;
    engine.diffusion = diffusion;
    engine.highDamp = highDamp;
    engine.lowGain = 1.0f;
    engine.highGain = 1.0f;
    engine.needsPrepare = 1;
}

// Prepares and runs the kernel on the given input.
template <typename Algorithm>
StereoSignal runNetwork(ReverbEngine& engine, Algorithm& algorithm, const StereoSignal& input)
{
    StereoSignal output{std::vector<float>(input.left.size()), std::vector<float>(input.left.size())};
    algorithm.prepare(engine);
    algorithm.kernel(engine, input.left.data(), input.right.data(), output.left.data(), output.right.data(),
                     static_cast<int32_t>(input.left.size()));
    return output;
}

inline StereoSignal impulse(int32_t length, float left, float right)
{
    const auto size = static_cast<size_t>(length);
    StereoSignal signal{std::vector<float>(size), std::vector<float>(size)};
    signal.left[0] = left;
    signal.right[0] = right;
    return signal;
}

// Runs `samples` kernel samples of silence (after a prepare, if one is due),
// so that positions and taps move on.
template <typename Algorithm>
void runSilence(ReverbEngine& engine, Algorithm& algorithm, int32_t samples)
{
    runNetwork(engine, algorithm, impulse(samples, 0.0f, 0.0f));
}

// A value the algorithm's prepare computes at 44100 Hz from these parameters.
template <typename Algorithm>
float preparedValue(Algorithm ReverbEngine::*member, float Algorithm::*field, float decay, float diffusion,
                    float highDamp)
{
    ReverbEngine engine;
    setUpEngine(engine, 44100.0f, decay, diffusion, highDamp);
    (engine.*member).prepare(engine);
    return (engine.*member).*field;
}

// Calls check(engine, algorithm) at internal rates 44100 and 48000, with the
// positions away from zero: after a prepare, after the kernel ran on without
// one, and after a second prepare. Tap distances must hold in all of them.
template <typename Algorithm, typename Check>
void checkPreparedTaps(Algorithm ReverbEngine::*member, Check check)
{
    for (const float hostRate : {44100.0f, 48000.0f})
    {
        ReverbEngine engine;
        Algorithm& algorithm = engine.*member;
        setUpEngine(engine, hostRate);
        runSilence(engine, algorithm, 23456);
        engine.needsPrepare = 1;
        algorithm.prepare(engine);
        check(engine, algorithm);
        runSilence(engine, algorithm, 777);
        check(engine, algorithm);
        engine.needsPrepare = 1;
        algorithm.prepare(engine);
        check(engine, algorithm);
    }
}

// Index of the first sample whose magnitude exceeds `threshold` (well above
// the engine's denormal-guard noise), or -1.
inline int32_t firstAbove(const std::vector<float>& samples, float threshold = 1e-5f)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::fabs(samples[i]) > threshold)
            return static_cast<int32_t>(i);
    return -1;
}

// Distance from a tap back to the write position of its ring.
inline int32_t tapDistance(int32_t writePos, int32_t tap)
{
    return (writePos - tap) & kShortRingMask;
}
