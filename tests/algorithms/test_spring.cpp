// The Spring: prepared gains and taps against the stated numbers, the
// level-dependent feedback, the loops' impulse response, and a reference
// kernel.
#include "NetworkChecks.h"
#include "ReferenceKernel.h"

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

// Per loop L1, L2, L3, R1, R2, R3: main and inner ring, input, transfer and
// return allpass, in samples at every internal rate.
constexpr int32_t kExpected[6][4] = {
    {1279, 94, 58, 152}, {1500, 111, 68, 178}, {1676, 124, 77, 200},
    {1288, 95, 59, 154}, {1487, 108, 67, 175}, {1681, 125, 77, 202},
};

// The loops as described, on the distances above.
class SpringReference
{
public:
    void prepare(const ReferenceSettings& s, double rate)
    {
        input.prepare(s, rate);
        apGain = static_cast<float>(s.diffusion * 0.78);
        gain = static_cast<float>(std::pow(1.5, std::sqrt(static_cast<double>(s.decay))) / 1.5 * 0.9999);
        damp = referenceDamping(s.highDamp);
        attack = static_cast<float>(std::pow(0.005, 1000.0 / rate));
        release = static_cast<float>(std::pow(0.005, 10.0 / rate));
    }

    void sample(float inL, float inR, float& outL, float& outR)
    {
        float t[2];
        input.next(inL, inR, t[0], t[1]);
        float fb[2];
        for (int ch = 0; ch < 2; ++ch)
        {
            const float a = std::fabs(ring[ch * 3][kMain].at(n, kExpected[ch * 3][0])) +
                            std::fabs(ring[ch * 3 + 1][kMain].at(n, kExpected[ch * 3 + 1][0])) +
                            std::fabs(ring[ch * 3 + 2][kMain].at(n, kExpected[ch * 3 + 2][0]));
            const float c = env[ch] < a ? attack : release;
            env[ch] = (env[ch] - a) * c + a;
            const float q = std::sqrt(std::sqrt(env[ch]));
            const auto k = static_cast<float>(std::sqrt(std::sqrt(1.0 / (static_cast<double>(q) + 1.0))));
            fb[ch] = static_cast<float>(((0.95 - k) * 0.3 + k) * gain);
        }
        float d[6], b[6], o[6];
        for (int l = 0; l < 6; ++l)
        {
            d[l] = state[l] = (ring[l][kMain].at(n, kExpected[l][0]) - state[l]) * damp + input.noise + state[l];
            b[l] = ring[l][kInner].at(n, kExpected[l][0]);
        }
        for (int l = 0; l < 6; ++l)
        {
            const float in = ring[l][kInput].at(n, kExpected[l][1]);
            const float v = apGain * in - d[l];
            ring[l][kInput].put(n, v);
            o[l] = in - apGain * v;

            const float transfer = ring[l][kTransfer].at(n, kExpected[l][2]);
            const float w = o[l] + apGain * transfer;
            ring[l][kTransfer].put(n, w);
            ring[l][kInner].put(n, transfer - apGain * w);

            const float back = ring[l][kReturn].at(n, kExpected[l][3]);
            const float x = b[l] + apGain * back;
            ring[l][kReturn].put(n, x);
            const float r = back - apGain * x;
            ring[l][kMain].put(n, r * fb[l / 3] + t[l / 3]);
        }
        outL = static_cast<float>((o[1] + o[0] + o[2]) * 0.2968);
        outR = static_cast<float>((o[3] + o[4] + o[5]) * 0.2968);
        ++n;
    }

private:
    enum
    {
        kMain,
        kInput,
        kTransfer,
        kInner,
        kReturn,
    };
    ReferenceInput input;
    ReferenceRing ring[6][5];
    float state[6] = {};
    float env[2] = {0.1f, 0.1f}; // as suspend leaves them
    float apGain = 0.0f;
    float gain = 0.0f;
    float damp = 0.0f;
    float attack = 0.0f;
    float release = 0.0f;
    int64_t n = 0;
};
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
        EXPECT_NEAR(spring.loopGain, c.loopGain, 1e-7f) << c.decay;
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
    EXPECT_NEAR(std::pow(spring.levelFollowerL.attack, 44.1f), 0.005f, 1e-5f);
    EXPECT_NEAR(std::pow(spring.levelFollowerR.release, 4410.0f), 0.005f, 1e-4f);
}

TEST(SpringPrepare, TapDistancesAreSamplesAtTheReferenceRate)
{
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
    EXPECT_NEAR(spring.levelGainL, 0.985f * loopGain, 0.005f * loopGain);
    EXPECT_NEAR(spring.levelGainR, 0.985f * loopGain, 0.005f * loopGain);

    // A loud burst on the left reaches the level followers when it comes
    // round to the main rings' taps, 1279 samples on; within 1 ms the left
    // gain has dropped, the right one has not moved.
    const std::vector<float> burst = loudNoise(1279 + 44);
    const std::vector<float> quiet(burst.size(), 0.0f);
    rig.run(spring, burst, quiet, 1);
    const float dipped = spring.levelGainL;
    EXPECT_LT(dipped, 0.9f * loopGain);
    EXPECT_NEAR(spring.levelGainR, 0.985f * loopGain, 0.005f * loopGain);

    // The gain comes back as the loops' tail dies away: part of the way in
    // half a second, all of it within four seconds.
    const std::vector<float> halfSecond(22050, 0.0f);
    rig.run(spring, halfSecond, halfSecond);
    EXPECT_GT(spring.levelGainL, dipped + 0.02f * loopGain);
    const std::vector<float> rest(7 * 22050, 0.0f);
    rig.run(spring, rest, rest);
    EXPECT_NEAR(spring.levelGainL, 0.985f * loopGain, 0.005f * loopGain);
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

TEST(SpringReference, MatchesTheReferenceKernel)
{
    expectMatchesReference<Spring, SpringReference>(&ReverbEngine::spring, 44100.0f, kReferenceSettings);
    expectMatchesReference<Spring, SpringReference>(&ReverbEngine::spring, 48000.0f, kReferenceSettings);
}
