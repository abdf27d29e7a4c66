// The Cathedral network: its gains, the tap lengths the seeded jitter and
// the pitch ladder yield, its input mixtures and impulse timing through the
// kernel.
#include "NetworkProbe.h"

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

// What ring k of a bank is fed by an impulse of 1 on the left and 0.5 on
// the right: 0.75 tL, 0.75 tR, 0.5 tL + 0.25 tR, 0.25 tL + 0.5 tR on the left
// bank, the mirror image on the right.
constexpr float kLeftBankFeed[4] = {0.75f, 0.375f, 0.625f, 0.5f};
constexpr float kRightBankFeed[4] = {0.375f, 0.75f, 0.5f, 0.625f};
} // namespace

TEST(CathedralPrepare, SizeGainsAndDamping)
{
    const auto value = [](float Cathedral::*field, float decay, float diffusion, float highDamp) {
        return preparedValue(&ReverbEngine::cathedral, field, decay, diffusion, highDamp);
    };
    EXPECT_NEAR(value(&Cathedral::sizeFactor, 0.5f, 1.0f, 0.0f), 0.2206758f, 5e-8f);
    EXPECT_NEAR(value(&Cathedral::loopGain, 0.0f, 1.0f, 0.0f), 0.7508128f, 5e-8f);
    EXPECT_NEAR(value(&Cathedral::loopGain, 0.5f, 1.0f, 0.0f), 0.9132045f, 5e-8f);
    EXPECT_NEAR(value(&Cathedral::loopGain, 1.0f, 1.0f, 0.0f), 0.9903558f, 5e-8f);
    EXPECT_EQ(value(&Cathedral::apGain, 0.5f, 1.0f, 0.0f), static_cast<float>(0.9 * 0.72));
    EXPECT_EQ(value(&Cathedral::apGain, 0.5f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(value(&Cathedral::dampCoef, 0.5f, 1.0f, 0.0f), 1.0f);
    EXPECT_EQ(value(&Cathedral::dampCoef, 0.5f, 1.0f, 1.0f), 0.2f);
}

TEST(CathedralPrepare, EveryTapLengthAtBothInternalRates)
{
    checkPreparedTaps(&ReverbEngine::cathedral, [](const ReverbEngine& engine, const Cathedral& cathedral) {
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

TEST(CathedralKernel, EachRingTakesItsMixtureThenItsOwnFeedback)
{
    ReverbEngine engine;
    setUpEngine(engine, 44100.0f, 0.5f, 1.0f, 0.0f); // no damping: the loop returns loopGain exactly
    runSilence(engine, engine.cathedral, 5000);
    const int32_t start = engine.ringPos;
    runNetwork(engine, engine.cathedral, impulse(2400, 1.0f, 0.5f));
    const float gain = engine.cathedral.loopGain;
    const auto at = [start](int32_t delay) { return (start + delay) & kShortRingMask; };
    for (int32_t k = 0; k < Cathedral::kRingsPerChannel; ++k)
    {
        const float* left = engine.pool.shortRing(k);
        const float* right = engine.pool.shortRing(Cathedral::kRingsPerChannel + k);
        EXPECT_NEAR(left[at(0)], kLeftBankFeed[k % 4], 1e-6f) << k;
        EXPECT_NEAR(left[at(kRows[k].leftFeedback - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(left[at(kRows[k].leftFeedback)], gain * kLeftBankFeed[k % 4], 1e-6f) << k;
        EXPECT_NEAR(right[at(0)], kRightBankFeed[k % 4], 1e-6f) << k;
        EXPECT_NEAR(right[at(kRows[k].rightFeedback - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(right[at(kRows[k].rightFeedback)], gain * kRightBankFeed[k % 4], 1e-6f) << k;
    }
}

TEST(CathedralKernel, FirstSoundOfALeftImpulse)
{
    // Left ring 0 takes 0.75 tL; on the right, ring 0 takes only tR and ring 1 0.75 tL.
    ReverbEngine engine;
    setUpEngine(engine, 48000.0f);
    StereoSignal out = runNetwork(engine, engine.cathedral, impulse(1000, 1.0f, 0.0f));
    const double weight = 0.0891 * std::pow(engine.cathedral.apGain, 4.0) * 0.75;
    EXPECT_EQ(firstAbove(out.left), 28);
    EXPECT_NEAR(out.left[28], weight, 1e-6);
    EXPECT_EQ(firstAbove(out.right), 59);
    EXPECT_NEAR(out.right[59], weight, 1e-6);
}

TEST(CathedralKernel, WithoutDiffusionEachOutputTapIsHeardThroughPlainDelays)
{
    ReverbEngine engine;
    setUpEngine(engine, 44100.0f, 0.5f, 0.0f);
    StereoSignal out = runNetwork(engine, engine.cathedral, impulse(3100, 1.0f, 0.5f));
    EXPECT_EQ(firstAbove(out.left), 28 + kLeftDiffuserTotal);
    EXPECT_EQ(firstAbove(out.right), 28 + kRightDiffuserTotal);
    // Before the first loop returns (1239 samples) each ring's output tap
    // carries its share of the impulse alone.
    for (int32_t k = 0; k < Cathedral::kRingsPerChannel && kRows[k].rightOutput < 1239; ++k)
    {
        EXPECT_NEAR(out.left[static_cast<size_t>(kRows[k].leftOutput + kLeftDiffuserTotal)],
                    0.0891 * kLeftBankFeed[k % 4], 1e-6)
            << k;
        EXPECT_NEAR(out.right[static_cast<size_t>(kRows[k].rightOutput + kRightDiffuserTotal)],
                    0.0891 * kRightBankFeed[k % 4], 1e-6)
            << k;
    }
}
