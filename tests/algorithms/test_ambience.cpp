// The Ambience network: its prepared values, its tap distances and when an
// impulse reaches and leaves each output.
#include "AlgorithmProbe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr int32_t kL1 = 0;

ProbeSettings withDecay(float decay)
{
    ProbeSettings settings;
    settings.decay = decay;
    return settings;
}

ProbeSettings withHighDamp(float highDamp)
{
    ProbeSettings settings;
    settings.highDamp = highDamp;
    return settings;
}
} // namespace

TEST(Ambience, SizeAndDiffusion)
{
    const auto rig = preparedRig(kAmbience, {});
    EXPECT_FLOAT_EQ(rig->engine.ambience.sizeFactor, 1.8428365f);
    EXPECT_FLOAT_EQ(rig->engine.ambience.allpassScale, 1.9198107f);
    EXPECT_FLOAT_EQ(rig->engine.ambience.apGain, 0.65f);

    ProbeSettings dry;
    dry.diffusion = 0.0f;
    EXPECT_EQ(preparedRig(kAmbience, dry)->engine.ambience.apGain, 0.0f);
}

TEST(Ambience, GroupWeightsFollowDecay)
{
    const float atDecay0[6] = {1.0f, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f};
    const float atDecayHalf[6] = {1.0f, 0.70710678f, 0.5f, 0.35355339f, 0.25f, 0.17677670f};
    const auto zero = preparedRig(kAmbience, withDecay(0.0f));
    const auto half = preparedRig(kAmbience, withDecay(0.5f));
    const auto one = preparedRig(kAmbience, withDecay(1.0f));
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_FLOAT_EQ(zero->engine.ambience.weights[i], atDecay0[i]) << i;
        EXPECT_FLOAT_EQ(half->engine.ambience.weights[i], atDecayHalf[i]) << i;
        EXPECT_EQ(one->engine.ambience.weights[i], 1.0f) << i;
    }
}

TEST(Ambience, SmoothingFollowsHighDamp)
{
    const auto none = preparedRig(kAmbience, withHighDamp(0.0f));
    const auto half = preparedRig(kAmbience, withHighDamp(0.5f));
    const auto full = preparedRig(kAmbience, withHighDamp(1.0f));
    EXPECT_EQ(none->engine.ambience.damping, 1.0f);
    for (float k : none->engine.ambience.smoothing)
        EXPECT_EQ(k, 1.0f);
    EXPECT_FLOAT_EQ(half->engine.ambience.damping, 0.8993975f);
    EXPECT_FLOAT_EQ(full->engine.ambience.damping, 0.7745513f);
    EXPECT_NEAR(full->engine.ambience.smoothing[5], 0.2159f, 5e-5f);
    // Later groups are darker.
    for (int i = 1; i < 6; ++i)
        EXPECT_LT(full->engine.ambience.smoothing[i], full->engine.ambience.smoothing[i - 1]);
}

TEST(Ambience, TapDistancesAt44100)
{
    const int32_t groupDistances[12][3] = {
        {1277, 588, 1651}, {2270, 3349, 3195}, {4319, 4812, 4902}, {5570, 5074, 5796},
        {6943, 6295, 6771}, {7533, 8127, 7990}, {595, 1228, 1570}, {3430, 2189, 3033},
        {4400, 4731, 4739}, {5651, 4993, 5877}, {6376, 6862, 6934}, {8046, 7615, 7909},
    };
    const int32_t allpassDistances[12][3] = {
        {653, 462, 78},  {644, 456, 87},  {741, 524, 79},  {707, 500, 96},  {887, 627, 106}, {853, 603, 115},
        {619, 438, 74},  {610, 432, 83},  {657, 464, 70},  {623, 441, 84},  {972, 687, 116}, {938, 663, 127},
    };
    const auto rig = preparedRig(kAmbience, {});
    for (int g = 0; g < 12; ++g)
    {
        for (int t = 0; t < 3; ++t)
        {
            EXPECT_EQ(rig->engine.ambience.groupTaps[g].distance(t, rig->engine.ringPos),
                      groupDistances[g][t])
                << "group " << g << " tap " << t;
            EXPECT_EQ(rig->engine.ambience.allpassTaps[g].distance(t, rig->engine.ringPos),
                      allpassDistances[g][t])
                << "group " << g << " stage " << t;
        }
    }
}

TEST(Ambience, TapDistancesScaleWithTheInternalRate)
{
    ProbeSettings settings;
    settings.hostRate = 48000.0f;
    const auto at48k = preparedRig(kAmbience, settings);
    const int32_t l1[3] = {1390, 640, 1797};
    for (int t = 0; t < 3; ++t)
        EXPECT_EQ(at48k->engine.ambience.groupTaps[kL1].distance(t, at48k->engine.ringPos), l1[t]);

    // 96 kHz runs at 48 kHz inside: the same taps.
    settings.hostRate = 96000.0f;
    const auto at96k = preparedRig(kAmbience, settings);
    for (int t = 0; t < 3; ++t)
        EXPECT_EQ(at96k->engine.ambience.groupTaps[kL1].distance(t, at96k->engine.ringPos), l1[t]);
}

TEST(Ambience, KeepsItsWritePositionOnSixteenBits)
{
    auto rig = preparedRig(kAmbience, {});
    rig->engine.ringPos = 40000;
    rig->engine.needsPrepare = 1;
    prepareAlgorithm(*rig, kAmbience);
    EXPECT_EQ(rig->engine.ringPos, 40000);
    EXPECT_EQ(rig->engine.ambience.groupTaps[kL1].distance(0, 40000), 1277);
    EXPECT_EQ(rig->engine.ambience.allpassTaps[kL1].distance(0, 40000), 653);

    // The position runs past 16383 and wraps at 65536; the distances stay.
    const std::vector<float> in(30000, 0.0f);
    runAlgorithm(*rig, kAmbience, in, in);
    EXPECT_EQ(rig->engine.ringPos, (40000 + 30000) & kLongRingMask);
    EXPECT_EQ(rig->engine.ambience.groupTaps[kL1].distance(0, rig->engine.ringPos), 1277);
    EXPECT_EQ(rig->engine.ambience.allpassTaps[kL1].distance(0, rig->engine.ringPos), 653);

    // The next type's prepare brings it back to 14 bits.
    rig->engine.ringPos = 40000;
    rig->engine.needsPrepare = 1;
    prepareAlgorithm(*rig, kRoom);
    EXPECT_EQ(rig->engine.ringPos, 40000 & kShortRingMask);
}

TEST(Ambience, ImpulseArrivals)
{
    // Both inputs: the left output first hears L1's second tap (588), the
    // right output R1's first tap (595), each through its three allpasses.
    const WetPair both = impulseResponse(kAmbience, {}, true, true, 2000);
    EXPECT_EQ(firstAbove(both.left), 588);
    EXPECT_EQ(firstAbove(both.right), 595);
    // The left input alone reaches the right output through R1's X tap.
    const WetPair left = impulseResponse(kAmbience, {}, true, false, 2000);
    EXPECT_EQ(firstAbove(left.left), 588);
    EXPECT_EQ(firstAbove(left.right), 1570);
}

TEST(Ambience, WithoutDiffusionTheChainsArePureDelays)
{
    ProbeSettings settings;
    settings.diffusion = 0.0f;
    settings.highDamp = 0.0f;
    const WetPair both = impulseResponse(kAmbience, settings, true, true, 12000);
    // L1: 588 + 653 + 462 + 78; R1: 595 + 619 + 438 + 74.
    EXPECT_EQ(firstAbove(both.left), 1781);
    EXPECT_EQ(firstAbove(both.right), 1726);
    EXPECT_NEAR(both.left[1781], 0.25f, 1e-6f); // w0 * 0.25 of a unit impulse
    // No recirculation: the last echo is the longest tap plus its chain
    // (left mix: R6 8046 + 938 + 663 + 127; right mix: L6 7533 + 853 + 603 + 115 or 8127 + 1571).
    EXPECT_EQ(lastAbove(both.left), 9774);
    EXPECT_EQ(lastAbove(both.right), 9698);
}
