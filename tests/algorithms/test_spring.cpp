// The Spring: prepared gains and taps against the stated numbers, the
// level-dependent feedback, and the loops' impulse response.
#include "NetworkChecks.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{
constexpr double kOutputScale = 0.2968;

// White noise of full scale, from a fixed seed.
std::vector<float> loudNoise(size_t length, uint32_t seed = 99u)
{
    std::vector<float> signal(length);
    for (float& sample : signal)
    {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<float>(seed >> 8) * (2.0f / 16777216.0f) - 1.0f;
    }
    return signal;
}
} // namespace

TEST(SpringPrepare, GainsAtTheParameterExtremes)
{
    KernelRig rig;
    Spring& spring = rig.engine.spring;
    const struct
    {
        float decay;
        float loopGain;
    } decays[] = {{0.0f, 0.6666f}, {0.5f, 0.8879339f}, {1.0f, 0.9999f}};
    for (const auto& c : decays)
    {
        rig.engine.decay = c.decay;
        rig.prepare(spring);
        EXPECT_NEAR(rig.engine.loopGain, c.loopGain, 1e-7f) << c.decay;
    }
    EXPECT_EQ(spring.timeUnit, 44.1f);
    EXPECT_NEAR(spring.allpassUnit, 101.871f, 1e-4f);

    rig.engine.diffusion = 1.0f;
    rig.engine.highDamp = 0.0f;
    rig.prepare(spring);
    EXPECT_NEAR(spring.apGain, 0.78f, 1e-7f);
    EXPECT_EQ(spring.dampCoef, 1.0f);
    rig.engine.diffusion = 0.0f;
    rig.engine.highDamp = 1.0f;
    rig.prepare(spring);
    EXPECT_EQ(spring.apGain, 0.0f);
    EXPECT_NEAR(spring.dampCoef, 0.2f, 1e-7f);

    // The followers reach 0.005 of a step in 1 ms rising and 100 ms falling.
    EXPECT_NEAR(std::pow(rig.engine.levelFollowerL.attack, 44.1f), 0.005f, 1e-5f);
    EXPECT_NEAR(std::pow(rig.engine.levelFollowerR.release, 4410.0f), 0.005f, 1e-4f);
}

TEST(SpringPrepare, TapDistancesAreSamplesAtTheReferenceRate)
{
    // Per loop L1, L2, L3, R1, R2, R3: main and inner ring, input, transfer
    // and return allpass.
    constexpr int32_t kExpected[6][4] = {
        {1279, 94, 58, 152}, {1500, 111, 68, 178}, {1676, 124, 77, 200},
        {1288, 95, 59, 154}, {1487, 108, 67, 175}, {1681, 125, 77, 202},
    };
    for (float hostRate : {44100.0f, 48000.0f, 96000.0f})
    {
        KernelRig rig(hostRate);
        rig.engine.ringPos = 16383;
        rig.engine.inputPos = 16383;
        Spring& spring = rig.engine.spring;
        rig.prepare(spring);
        const int32_t ringPos = rig.engine.ringPos;
        for (int32_t l = 0; l < Spring::kLoops; ++l)
        {
            const ShortTaps<Spring::kRoles>& taps = spring.loops[l].taps;
            EXPECT_EQ(taps.distance(Spring::kMain, ringPos), kExpected[l][0]) << hostRate << " loop " << l;
            EXPECT_EQ(taps.distance(Spring::kInner, ringPos), kExpected[l][0]) << hostRate << " loop " << l;
            EXPECT_EQ(taps.distance(Spring::kInputAllpass, ringPos), kExpected[l][1]) << hostRate << " loop " << l;
            EXPECT_EQ(taps.distance(Spring::kTransferAllpass, ringPos), kExpected[l][2]) << hostRate << " loop " << l;
            EXPECT_EQ(taps.distance(Spring::kReturnAllpass, ringPos), kExpected[l][3]) << hostRate << " loop " << l;
        }
    }
}

TEST(SpringFeedback, GainFallsWithTheLevel)
{
    const float loopGain = 0.9999f;
    EXPECT_NEAR(Spring::feedbackGain(0.0f, loopGain), 0.985f * loopGain, 1e-6f);
    float previous = Spring::feedbackGain(0.0f, loopGain);
    for (float env : {1e-4f, 0.01f, 0.1f, 1.0f, 10.0f, 1e4f, 1e12f})
    {
        const float gain = Spring::feedbackGain(env, loopGain);
        EXPECT_LT(gain, previous) << env;
        EXPECT_GT(gain, 0.285f * loopGain) << env;
        previous = gain;
    }
    EXPECT_NEAR(Spring::feedbackGain(1e30f, loopGain), 0.285f * loopGain, 0.01f);
}

TEST(SpringFeedback, LoudTransientLowersTheGainAtOnceAndItRecovers)
{
    KernelRig rig;
    rig.engine.decay = 0.0f;
    ReverbEngine& engine = rig.engine;
    Spring& spring = engine.spring;
    const float loopGain = 0.6666f;

    // Silent loops feed back with 0.985 of the loop gain (the noise that
    // keeps the states out of the denormal range hardly moves the follower).
    const std::vector<float> silence(44100, 0.0f);
    rig.run(spring, silence, silence);
    EXPECT_NEAR(engine.levelGainL, 0.985f * loopGain, 0.005f * loopGain);
    EXPECT_NEAR(engine.levelGainR, 0.985f * loopGain, 0.005f * loopGain);

    // A loud burst on the left reaches the level followers when it comes
    // round to the main rings' taps, 1279 samples on; within 1 ms the left
    // gain has dropped, the right one has not moved.
    const std::vector<float> burst = loudNoise(1279 + 44);
    const std::vector<float> quiet(burst.size(), 0.0f);
    rig.run(spring, burst, quiet, 1);
    const float dipped = engine.levelGainL;
    EXPECT_LT(dipped, 0.9f * loopGain);
    EXPECT_NEAR(engine.levelGainR, 0.985f * loopGain, 0.005f * loopGain);

    // The gain comes back as the loops' tail dies away: part of the way in
    // half a second, all of it within four seconds.
    const std::vector<float> halfSecond(22050, 0.0f);
    rig.run(spring, halfSecond, halfSecond);
    EXPECT_GT(engine.levelGainL, dipped + 0.02f * loopGain);
    const std::vector<float> rest(7 * 22050, 0.0f);
    rig.run(spring, rest, rest);
    EXPECT_NEAR(engine.levelGainL, 0.985f * loopGain, 0.005f * loopGain);
}

TEST(SpringImpulse, DiffusionZeroLeavesDelayedNegatedLoopReads)
{
    KernelRig rig;
    rig.engine.diffusion = 0.0f;
    rig.engine.highDamp = 0.0f;
    const std::vector<float> left = impulseAt(20000, 0);
    const std::vector<float> silence(20000, 0.0f);
    const WetPair wet = rig.run(rig.engine.spring, left, silence);

    // Each left loop: main ring, then its input allpass as a pure delay of the
    // negated sample: 1279 + 94, 1500 + 111, 1676 + 124.
    EXPECT_EQ(audibleSamples(wet.left, 0, 1801), (std::vector<int32_t>{1373, 1611, 1800}));
    for (int32_t at : {1373, 1611, 1800})
        EXPECT_NEAR(wet.left[at], -kOutputScale, 1e-5) << at;
    // No coupling between the channels.
    EXPECT_EQ(firstAbove(wet.right), -1);

    // The right loops, from a right impulse: 1288 + 95, 1487 + 108, 1681 + 125.
    KernelRig mirrored;
    mirrored.engine.diffusion = 0.0f;
    mirrored.engine.highDamp = 0.0f;
    const WetPair right = mirrored.run(mirrored.engine.spring, silence, left);
    EXPECT_EQ(audibleSamples(right.right, 0, 1807), (std::vector<int32_t>{1383, 1595, 1806}));
    for (int32_t at : {1383, 1595, 1806})
        EXPECT_NEAR(right.right[at], -kOutputScale, 1e-5) << at;
    EXPECT_EQ(firstAbove(right.left), -1);
}

TEST(SpringImpulse, FirstArrivalWithDiffusion)
{
    KernelRig rig;
    const std::vector<float> right = impulseAt(3000, 0);
    const std::vector<float> silence(3000, 0.0f);
    const WetPair wet = rig.run(rig.engine.spring, silence, right);
    // Loop R1's main ring (1288); the inverting allpass passes -g of its input at once.
    EXPECT_EQ(firstAbove(wet.right), 1288);
    EXPECT_EQ(firstAbove(wet.left), -1);
}

TEST(SpringGolden, RendersBitForBit)
{
    expectGoldenRenders(kSpring, {"a851749a47ebf4c5", "5cc95573c37d4e6e", "c7467a1e85944c03"});
}
