// Checks the Arena and the Cathedral share: the loop gain at Decay 0, 0.5
// and 1 with the other prepared values, and tap distances that hold at both
// internal rates.
#pragma once

#include "KernelRig.h"

#include <gtest/gtest.h>

#include <vector>

struct LadderNumbers
{
    float sizeFactor;
    float loopGain[3]; // at Decay 0, 0.5 and 1
    float apGain;      // at Diffusion 1
};

template <typename Algorithm>
void expectLadderNumbers(Algorithm ReverbEngine::*member, const LadderNumbers& expected)
{
    KernelRig rig;
    Algorithm& algorithm = rig.engine.*member;
    const float decays[3] = {0.0f, 0.5f, 1.0f};
    for (int32_t i = 0; i < 3; ++i)
    {
        rig.engine.decay = decays[i];
        rig.prepare(algorithm);
        EXPECT_NEAR(algorithm.loopGain, expected.loopGain[i], 5e-8f) << decays[i];
    }
    EXPECT_NEAR(algorithm.sizeFactor, expected.sizeFactor, 5e-8f);

    rig.engine.diffusion = 1.0f;
    rig.engine.highDamp = 0.0f;
    rig.prepare(algorithm);
    EXPECT_EQ(algorithm.apGain, expected.apGain);
    EXPECT_EQ(algorithm.dampCoef, 1.0f);

    rig.engine.diffusion = 0.0f;
    rig.engine.highDamp = 1.0f;
    rig.prepare(algorithm);
    EXPECT_EQ(algorithm.apGain, 0.0f);
    EXPECT_EQ(algorithm.dampCoef, 0.2f);
}

// Calls check(engine, algorithm) at internal rates 44100 and 48000, with the
// positions away from zero (inputPos wraps on the way): after a prepare,
// after the kernel ran on without one, and after a second prepare.
template <typename Algorithm, typename Check>
void expectTapsHold(Algorithm ReverbEngine::*member, Check check)
{
    for (const float hostRate : {44100.0f, 48000.0f})
    {
        KernelRig rig(hostRate);
        rig.engine.ringPos = 16000;
        rig.engine.inputPos = 16000 + 3 * 16384;
        Algorithm& algorithm = rig.engine.*member;
        rig.prepare(algorithm);
        check(rig.engine, algorithm);
        const std::vector<float> silence(777, 0.0f);
        rig.run(algorithm, silence, silence);
        check(rig.engine, algorithm);
        rig.prepare(algorithm);
        check(rig.engine, algorithm);
    }
}

inline int32_t tapDistance(int32_t writePos, int32_t tap)
{
    return (writePos - tap) & kShortRingMask;
}
