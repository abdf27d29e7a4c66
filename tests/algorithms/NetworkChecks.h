// Checks that several algorithm tests share: golden renders at the three
// host rates, and the stated numbers of a comb-allpass network (Chamber,
// Club) after its prepare.
#pragma once

#include "GoldenRender.h"
#include "KernelRig.h"

#include <gtest/gtest.h>

// Renders the golden input through `type` at 44100, 96000 and 192000 Hz and
// compares the hashes, in that order.
inline void expectGoldenRenders(AlgorithmType type, const char* const (&hashes)[3])
{
    if (!goldenHashesApply())
        GTEST_SKIP() << "golden hashes were taken with glibc's maths library";
    const float rates[3] = {44100.0f, 96000.0f, 192000.0f};
    for (int32_t i = 0; i < 3; ++i)
    {
        GoldenRenderSettings settings;
        settings.type = type;
        settings.hostRate = rates[i];
        EXPECT_EQ(hashSamples(renderGolden(settings)), hashes[i]) << rates[i];
    }
}

struct CombNetworkNumbers
{
    float loopGain[3];      // at Decay 0, 0.5 and 1
    float feedbackSign;     // -1: negative feedback
    float apGain;           // at Diffusion 1
    const float* earlyGain; // g0..g11
    int32_t comb[24];       // delays in samples behind ringPos
    int32_t allpass[24];
    int32_t early[24];      // behind inputPos, by tap index
    int32_t diffuser44100[2][3];
    int32_t diffuser48000[2][3];
};

// `Algorithm` is Chamber or Club; `member` picks it out of the engine.
template <typename Algorithm>
void expectCombNetworkNumbers(Algorithm ReverbEngine::*member, const CombNetworkNumbers& expected)
{
    {
        KernelRig rig;
        Algorithm& algorithm = rig.engine.*member;
        const float decays[3] = {0.0f, 0.5f, 1.0f};
        for (int32_t i = 0; i < 3; ++i)
        {
            rig.engine.decay = decays[i];
            rig.prepare(algorithm);
            EXPECT_NEAR(algorithm.loopGain, expected.loopGain[i], 5e-7f) << decays[i];
            EXPECT_EQ(algorithm.network.loopFeedback, expected.feedbackSign * algorithm.loopGain);
        }

        rig.engine.diffusion = 1.0f;
        rig.engine.highDamp = 0.0f;
        rig.prepare(algorithm);
        EXPECT_NEAR(algorithm.network.apGain, expected.apGain, 1e-7f);
        EXPECT_EQ(algorithm.network.dampCoef, 1.0f);
        for (int32_t k = 0; k < 12; ++k)
            EXPECT_NEAR(algorithm.network.earlyGain[k], expected.earlyGain[k], 1e-6f) << k;

        rig.engine.diffusion = 0.0f;
        rig.engine.highDamp = 1.0f;
        rig.prepare(algorithm);
        EXPECT_EQ(algorithm.network.apGain, 0.0f);
        EXPECT_NEAR(algorithm.network.dampCoef, 0.2f, 1e-7f);
    }

    // Loop and early lengths are samples at the reference rate, the output
    // allpasses follow the internal rate (96000 and 192000 Hz run at 48000).
    for (float hostRate : {44100.0f, 48000.0f, 96000.0f, 192000.0f})
    {
        KernelRig rig(hostRate);
        // Positions away from zero, so the masks are exercised.
        rig.engine.ringPos = 16000;
        rig.engine.inputPos = 16000 + 3 * 16384;
        Algorithm& algorithm = rig.engine.*member;
        rig.prepare(algorithm);
        const CombAllpassNetwork& net = algorithm.network;
        const int32_t ringPos = rig.engine.ringPos;
        for (int32_t k = 0; k < 24; ++k)
        {
            EXPECT_EQ((ringPos - net.units[k].combTap) & kShortRingMask, expected.comb[k]) << hostRate << " " << k;
            EXPECT_EQ((ringPos - net.units[k].allpassTap) & kShortRingMask, expected.allpass[k])
                << hostRate << " " << k;
            EXPECT_EQ(net.early.taps.distance(k, rig.engine.inputPos), expected.early[k]) << hostRate << " " << k;
        }
        const auto& diffuser = hostRate == 44100.0f ? expected.diffuser44100 : expected.diffuser48000;
        for (int32_t channel = 0; channel < 2; ++channel)
            for (int32_t stage = 0; stage < 3; ++stage)
                EXPECT_EQ(net.diffusers[channel].taps.distance(stage, ringPos), diffuser[channel][stage])
                    << hostRate << " channel " << channel << " stage " << stage;
    }
}
