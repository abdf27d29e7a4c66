// The Chamber: its prepared gains and taps against the stated numbers, and
// what an impulse does in the network (early reflections, diffuser, loops).
#include "NetworkChecks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// Early gains g0..g11, shared by both outputs.
constexpr float kEarlyGains[12] = {2.000000f, 1.802496f, 1.624505f, 1.464144f, 1.319508f, 1.189254f,
                                   1.071773f, 0.965975f, 0.870551f, 0.784562f, 0.707107f, 0.637219f};
constexpr double kOutputScale = 0.09177;

constexpr CombNetworkNumbers kNumbers = {
    {0.4472136f, 0.7843974f, 0.9899495f},
    -1.0f,
    0.476f,
    kEarlyGains,
    {1024, 1200, 1341, 1577, 1687, 1799, 1552, 1819, 2033, 2391, 2557, 2728,
     1025, 1198, 1343, 1575, 1689, 1833, 1554, 1817, 2036, 2388, 2560, 2725},
    {159, 186, 209, 207, 236, 272, 256, 389, 436, 335, 382, 439,
     159, 186, 209, 207, 236, 274, 257, 301, 337, 335, 382, 440},
    {221, 434, 852, 1072, 1593, 1695, 2447, 2719, 2936, 3611, 3658, 3906,
     221, 427, 883, 1130, 1600, 1776, 2500, 2643, 2852, 3624, 3809, 3894},
    {{674, 493, 253}, {676, 495, 254}},
    {{734, 537, 275}, {736, 538, 276}},
};

constexpr uint8_t L = 0;
constexpr uint8_t R = 1;
constexpr CombNetworkWiring kWiring = {
    {L, R, L, R, L, R, L, R, L, R, L, R, R, L, R, L, R, L, R, L, R, L, R, L},
    {},
    {{0, 1, 4, 5, 8, 9, 14, 15, 18, 19, 22, 23}, {2, 3, 6, 7, 10, 11, 12, 13, 16, 17, 20, 21}},
    {L, L, R, L, L, R, L, R, L, R, L, R, R, R, L, R, R, L, R, L, R, L, R, L},
    true,
    kOutputScale,
    [](float decay) {
        const double s = static_cast<float>(std::pow(4.0, 0.5) * 0.5);
        return static_cast<float>(std::pow(std::pow(4.9, std::sqrt(static_cast<double>(decay))) / 5.0, s * 0.5));
    },
    [](float diffusion) { return static_cast<float>(diffusion * 0.68 * 0.7); },
    [](double level) { return static_cast<float>(2.0 * std::pow(level, static_cast<double>(0.3f))); },
};

struct ChamberReference : CombNetworkReference
{
    ChamberReference() : CombNetworkReference(kNumbers, kWiring) {}
};
} // namespace

TEST(ChamberPrepare, StatedGainsAndDistances)
{
    expectCombNetworkNumbers(&ReverbEngine::chamber, kNumbers);

    KernelRig rig;
    rig.prepare(rig.engine.chamber);
    EXPECT_EQ(rig.engine.chamber.sizeFactor, 1.0f);
    EXPECT_EQ(rig.engine.chamber.timeUnit, 44.1f);
}

TEST(ChamberPrepare, RepeatedPreparesGiveTheSameDistances)
{
    KernelRig rig;
    Chamber& chamber = rig.engine.chamber;
    rig.prepare(chamber);
    int32_t before[24];
    for (int32_t k = 0; k < 24; ++k)
        before[k] = chamber.network.early.taps.distance(k, rig.engine.inputPos);
    // Run a while, so the positions move, then prepare again.
    const std::vector<float> silence(3000, 0.0f);
    rig.run(chamber, silence, silence);
    rig.prepare(chamber);
    for (int32_t k = 0; k < 24; ++k)
        EXPECT_EQ(chamber.network.early.taps.distance(k, rig.engine.inputPos), before[k]) << k;
}

TEST(ChamberImpulse, FirstArrivalsComeFromTheEarlyTaps)
{
    KernelRig rig;
    const std::vector<float> left = impulseAt(1200, 0);
    const std::vector<float> silence(1200, 0.0f);
    const WetPair wet = rig.run(rig.engine.chamber, left, silence);
    const float apGain = rig.engine.chamber.network.apGain;

    // Early tap 0 (left source, 221 samples) through the direct path of the
    // last output allpass.
    EXPECT_EQ(firstAbove(wet.left), 221);
    EXPECT_NEAR(wet.left[221], kEarlyGains[0] * apGain * kOutputScale, 1e-5);
    // The right output's first left-source tap is tap 14 at 883 samples.
    EXPECT_EQ(firstAbove(wet.right), 883);
    EXPECT_NEAR(wet.right[883], kEarlyGains[2] * apGain * kOutputScale, 1e-5);
}

TEST(ChamberImpulse, DiffusionZeroMakesEveryAllpassAPureDelay)
{
    KernelRig rig;
    rig.engine.diffusion = 0.0f;
    rig.engine.highDamp = 0.0f; // the damping passes the loops' samples unchanged
    const std::vector<float> left = impulseAt(3000, 0);
    const std::vector<float> silence(3000, 0.0f);
    const WetPair wet = rig.run(rig.engine.chamber, left, silence);

    // Left: the left-source early taps 0, 1, 3, 4 (221, 434, 1072, 1593
    // samples, alternating signs) each delayed by the last allpass (253);
    // then unit 0 (comb 1024, allpass 159, inverted) through all three
    // allpasses, 674 + 493 + 253 = 1420 samples.
    EXPECT_EQ(audibleSamples(wet.left, 0, 2604), (std::vector<int32_t>{474, 687, 1325, 1846, 2603}));
    EXPECT_NEAR(wet.left[474], kEarlyGains[0] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.left[687], -kEarlyGains[1] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.left[1325], -kEarlyGains[3] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.left[1846], kEarlyGains[4] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.left[2603], -kOutputScale, 1e-5);

    // Right: taps 14 and 17 read the left channel (883 and 1776 samples, last
    // allpass 254); the first loop is unit 13 (1198 + 186) through
    // 676 + 495 + 254 = 1425 samples.
    EXPECT_EQ(audibleSamples(wet.right, 0, 2810), (std::vector<int32_t>{1137, 2030, 2809}));
    EXPECT_NEAR(wet.right[1137], kEarlyGains[2] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.right[2030], -kEarlyGains[5] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.right[2809], -kOutputScale, 1e-5);
}

TEST(ChamberGolden, RendersBitForBit)
{
    expectGoldenRenders(kChamber, {"2fcfdc43ffdea1ed", "45ae62ab543cdb01", "b9c8625ae31debff"});
}

TEST(ChamberReference, MatchesTheReferenceKernel)
{
    expectMatchesReference<Chamber, ChamberReference>(&ReverbEngine::chamber, 44100.0f, kReferenceSettings);
    expectMatchesReference<Chamber, ChamberReference>(&ReverbEngine::chamber, 48000.0f, kReferenceSettings);
}
