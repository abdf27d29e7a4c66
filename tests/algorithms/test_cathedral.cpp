// The Cathedral: its prepared gains, the tap lengths the seeded jitter and
// the pitch ladder yield, its input mixtures, impulse timing through the
// kernel, a reference kernel and golden renders.
#include "LadderChecks.h"
#include "NetworkChecks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
struct CathedralRow
{
    int32_t leftFeedback;
    int32_t leftOutput;
    int32_t rightFeedback;
    int32_t rightOutput;
};

// Delays in samples at every internal rate.
constexpr CathedralRow kRows[Cathedral::kRingsPerChannel] = {
    {1211, 28, 1217, 28},     {1247, 54, 1253, 59},     {1284, 104, 1289, 110},   {1330, 213, 1327, 218},
    {1360, 345, 1366, 359},   {1411, 410, 1406, 425},   {1449, 558, 1447, 536},   {1488, 629, 1490, 625},
    {1529, 768, 1533, 766},   {1578, 890, 1578, 838},   {1621, 1008, 1624, 1022}, {1678, 1100, 1672, 1110},
    {1715, 1213, 1721, 1218}, {1768, 1343, 1771, 1326}, {1823, 1452, 1823, 1425}, {1872, 1566, 1877, 1518},
    {1929, 1606, 1932, 1674}, {1986, 1727, 1988, 1763}, {2043, 1891, 2046, 1899}, {2110, 1970, 2106, 1948},
    {2173, 2075, 2168, 2094}, {2233, 2228, 2232, 2215}, {2297, 2324, 2297, 2294}, {2363, 2379, 2364, 2427},
};
constexpr int32_t kDiffuserDelays[2][LatticeDiffuser::kStages] = {{745, 279, 545, 211}, {716, 244, 556, 234}};
constexpr int32_t kLeftDiffuserTotal = 1780;
constexpr int32_t kRightDiffuserTotal = 1750;
constexpr double kOutputScale = 0.0891;

// What ring k of a bank is fed by an impulse of 1 on the left and 0.5 on
// the right: 0.75 tL, 0.75 tR, 0.5 tL + 0.25 tR, 0.25 tL + 0.5 tR on the left
// bank, the mirror image on the right.
constexpr float kLeftBankFeed[4] = {0.75f, 0.375f, 0.625f, 0.5f};
constexpr float kRightBankFeed[4] = {0.375f, 0.75f, 0.5f, 0.625f};

// The network as described, on the delays above.
class CathedralReference
{
public:
    void prepare(const ReferenceSettings& s, double rate)
    {
        input.prepare(s, rate);
        const auto size = static_cast<float>(std::pow(4.0, 0.41) * 0.125);
        gain = referenceLadderGain(s.decay, size * 64.0);
        apGain = static_cast<float>(s.diffusion * 0.9 * 0.72);
        damp = referenceDamping(s.highDamp);
    }

    void sample(float inL, float inR, float& outL, float& outR)
    {
        float t[2];
        input.next(inL, inR, t[0], t[1]);
        for (int ch = 0; ch < 2; ++ch)
            for (int k = 0; k < 24; ++k)
            {
                const int32_t delay = ch == 0 ? kRows[k].leftFeedback : kRows[k].rightFeedback;
                d[ch][k] = (ring[ch][k].at(n, delay) - d[ch][k]) * damp + input.noise + d[ch][k];
            }
        const double tL = t[0];
        const double tR = t[1];
        // Left bank: 0.75 tL, 0.75 tR, 0.5 tL + 0.25 tR, 0.25 tL + 0.5 tR; the right its mirror.
        const double mixture[2][4] = {
            {0.75 * tL, 0.75 * tR, 0.5 * tL + 0.25 * tR, 0.25 * tL + 0.5 * tR},
            {0.75 * tR, 0.75 * tL, 0.25 * tL + 0.5 * tR, 0.5 * tL + 0.25 * tR},
        };
        for (int ch = 0; ch < 2; ++ch)
            for (int k = 0; k < 24; ++k)
                ring[ch][k].put(n, static_cast<float>(gain * d[ch][k] + mixture[ch][k % 4]));
        float* out[2] = {&outL, &outR};
        for (int ch = 0; ch < 2; ++ch)
        {
            float sum = 0.0f;
            for (int k = 0; k < 24; ++k)
            {
                const float tap = ring[ch][k].at(n, ch == 0 ? kRows[k].leftOutput : kRows[k].rightOutput);
                sum = k == 0 ? tap : sum + tap;
            }
            const auto x = static_cast<float>(sum * kOutputScale);
            *out[ch] = referenceLattice(diffuser[ch], kDiffuserDelays[ch], n, apGain, x);
        }
        ++n;
    }

private:
    ReferenceInput input;
    ReferenceRing ring[2][24];
    ReferenceRing diffuser[2][4];
    float d[2][24] = {};
    float gain = 0.0f;
    float apGain = 0.0f;
    float damp = 0.0f;
    int64_t n = 0;
};
} // namespace

TEST(CathedralPrepare, SizeGainsAndDamping)
{
    expectLadderNumbers(&ReverbEngine::cathedral,
                        {0.2206758f, {0.7508128f, 0.9132045f, 0.9903558f}, static_cast<float>(0.9 * 0.72)});
}

TEST(CathedralPrepare, EveryTapLengthAtBothInternalRates)
{
    expectTapsHold(&ReverbEngine::cathedral, [](const ReverbEngine& engine, const Cathedral& cathedral) {
        for (int32_t k = 0; k < Cathedral::kRingsPerChannel; ++k)
        {
            const int32_t right = Cathedral::kRingsPerChannel + k;
            EXPECT_EQ(tapDistance(engine.ringPos, cathedral.loops[k].feedbackTap), kRows[k].leftFeedback) << k;
            EXPECT_EQ(cathedral.outputTaps.distance(k, engine.ringPos), kRows[k].leftOutput) << k;
            EXPECT_EQ(tapDistance(engine.ringPos, cathedral.loops[right].feedbackTap), kRows[k].rightFeedback) << k;
            EXPECT_EQ(cathedral.outputTaps.distance(right, engine.ringPos), kRows[k].rightOutput) << k;
        }
        for (int32_t channel = 0; channel < 2; ++channel)
            for (int32_t stage = 0; stage < LatticeDiffuser::kStages; ++stage)
                EXPECT_EQ(cathedral.diffusers[channel].taps.distance(stage, engine.ringPos),
                          kDiffuserDelays[channel][stage]);
    });
}

TEST(CathedralImpulse, EachRingTakesItsMixtureThenItsOwnFeedback)
{
    KernelRig rig;
    rig.engine.highDamp = 0.0f; // no damping: the loop returns loopGain times the input
    Cathedral& cathedral = rig.engine.cathedral;
    const std::vector<float> silence(5000, 0.0f);
    rig.run(cathedral, silence, silence);
    const int32_t start = rig.engine.ringPos;
    rig.run(cathedral, impulseAt(2400, 0, 1.0f), impulseAt(2400, 0, 0.5f));

    const auto at = [start](int32_t delay) { return (start + delay) & kShortRingMask; };
    for (int32_t k = 0; k < Cathedral::kRingsPerChannel; ++k)
    {
        const float* left = rig.engine.pool.shortRing(k);
        const float* right = rig.engine.pool.shortRing(Cathedral::kRingsPerChannel + k);
        EXPECT_NEAR(left[at(0)], kLeftBankFeed[k % 4], 1e-6f) << k;
        EXPECT_NEAR(left[at(kRows[k].leftFeedback - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(left[at(kRows[k].leftFeedback)], cathedral.loopGain * kLeftBankFeed[k % 4], 1e-6f) << k;
        EXPECT_NEAR(right[at(0)], kRightBankFeed[k % 4], 1e-6f) << k;
        EXPECT_NEAR(right[at(kRows[k].rightFeedback - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(right[at(kRows[k].rightFeedback)], cathedral.loopGain * kRightBankFeed[k % 4], 1e-6f) << k;
    }
}

TEST(CathedralImpulse, FirstSoundOfALeftImpulse)
{
    // Left ring 0 takes 0.75 tL; on the right, ring 0 takes only tR and ring 1 0.75 tL.
    KernelRig rig(48000.0f);
    const WetPair wet = rig.run(rig.engine.cathedral, impulseAt(1000, 0), std::vector<float>(1000, 0.0f));
    const double weight = kOutputScale * std::pow(rig.engine.cathedral.apGain, 4.0) * 0.75;
    EXPECT_EQ(firstAbove(wet.left), 28);
    EXPECT_NEAR(wet.left[28], weight, 1e-6);
    EXPECT_EQ(firstAbove(wet.right), 59);
    EXPECT_NEAR(wet.right[59], weight, 1e-6);
}

TEST(CathedralImpulse, WithoutDiffusionEachOutputTapIsHeardThroughPlainDelays)
{
    KernelRig rig;
    rig.engine.diffusion = 0.0f;
    const WetPair wet = rig.run(rig.engine.cathedral, impulseAt(3100, 0, 1.0f), impulseAt(3100, 0, 0.5f));
    EXPECT_EQ(firstAbove(wet.left), 28 + kLeftDiffuserTotal);
    EXPECT_EQ(firstAbove(wet.right), 28 + kRightDiffuserTotal);
    // Before the first loop returns (1239 samples) each ring's output tap
    // carries its share of the impulse alone.
    for (int32_t k = 0; k < Cathedral::kRingsPerChannel && kRows[k].rightOutput < 1239; ++k)
    {
        EXPECT_NEAR(wet.left[static_cast<size_t>(kRows[k].leftOutput + kLeftDiffuserTotal)],
                    kOutputScale * kLeftBankFeed[k % 4], 1e-6)
            << k;
        EXPECT_NEAR(wet.right[static_cast<size_t>(kRows[k].rightOutput + kRightDiffuserTotal)],
                    kOutputScale * kRightBankFeed[k % 4], 1e-6)
            << k;
    }
}

TEST(CathedralReference, MatchesTheReferenceKernel)
{
    expectMatchesReference<Cathedral, CathedralReference>(&ReverbEngine::cathedral, 44100.0f, kReferenceSettings);
    expectMatchesReference<Cathedral, CathedralReference>(&ReverbEngine::cathedral, 48000.0f, kReferenceSettings);
}

TEST(CathedralGolden, RendersBitForBit)
{
    expectGoldenRenders(kCathedral, {"a533abfe37b479c7", "64b8bbfc2fb8884c", "8a94d24934e9e39d"});
}
