// The Arena network: its gains, the tap lengths the seeded jitter yields,
// and impulse timing through the kernel.
#include "NetworkProbe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
struct ArenaRow
{
    int32_t leftEarly;
    int32_t leftFeedback;
    int32_t rightEarly;
    int32_t rightFeedback;
};

// Delays in samples at every internal rate.
constexpr ArenaRow kRows[Arena::kRingsPerChannel] = {
    {231, 1151, 231, 1152},   {453, 1185, 481, 1185},   {889, 1220, 921, 1220},   {1349, 1256, 1374, 1256},
    {1923, 1292, 2000, 1292}, {2156, 1330, 2232, 1330}, {2813, 1369, 2701, 1369}, {3076, 1409, 3053, 1409},
    {3688, 1450, 3680, 1450}, {4215, 1493, 3944, 1493}, {4720, 1537, 4794, 1537}, {5088, 1582, 5143, 1582},
    {5569, 1628, 5593, 1628}, {6136, 1676, 6048, 1676}, {6590, 1725, 6451, 1725}, {7078, 1775, 6825, 1775},
    {7177, 1827, 7529, 1827}, {7694, 1881, 7883, 1881}, {8441, 1936, 8480, 1936}, {8741, 1993, 8628, 1992},
    {9177, 2051, 9274, 2051}, {9867, 2111, 9798, 2111}, {10254, 2173, 10096, 2173}, {10430, 2237, 10683, 2237},
};
constexpr int32_t kDiffuserDelays[2][LatticeDiffuser::kStages] = {{159, 211, 411, 562}, {177, 184, 420, 540}};
} // namespace

TEST(ArenaPrepare, SizeGainsAndDamping)
{
    const auto value = [](float Arena::*field, float decay, float diffusion, float highDamp) {
        return preparedValue(&ReverbEngine::arena, field, decay, diffusion, highDamp);
    };
    EXPECT_NEAR(value(&Arena::sizeFactor, 0.5f, 1.0f, 0.0f), 0.2087720f, 5e-8f);
    EXPECT_NEAR(value(&Arena::loopGain, 0.0f, 1.0f, 0.0f), 0.5814222f, 5e-8f);
    EXPECT_NEAR(value(&Arena::loopGain, 0.5f, 1.0f, 0.0f), 0.8421514f, 5e-8f);
    EXPECT_NEAR(value(&Arena::loopGain, 1.0f, 1.0f, 0.0f), 0.9818306f, 5e-8f);
    EXPECT_EQ(value(&Arena::apGain, 0.5f, 1.0f, 0.0f), static_cast<float>(0.88 * 0.72));
    EXPECT_EQ(value(&Arena::apGain, 0.5f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(value(&Arena::dampCoef, 0.5f, 1.0f, 0.0f), 1.0f);
    EXPECT_EQ(value(&Arena::dampCoef, 0.5f, 1.0f, 1.0f), 0.2f);
}

TEST(ArenaPrepare, EveryTapLengthAtBothInternalRates)
{
    checkPreparedTaps(&ReverbEngine::arena, [](const ReverbEngine& engine, const Arena& arena) {
        for (int32_t k = 0; k < Arena::kRingsPerChannel; ++k)
        {
            const int32_t right = Arena::kRingsPerChannel + k;
            EXPECT_EQ(arena.early.taps.distance(k, engine.inputPos), kRows[k].leftEarly) << k;
            EXPECT_EQ(arena.early.taps.distance(right, engine.inputPos), kRows[k].rightEarly) << k;
            EXPECT_EQ(tapDistance(engine.ringPos, arena.loops[k].feedbackTap), kRows[k].leftFeedback) << k;
            EXPECT_EQ(tapDistance(engine.ringPos, arena.loops[right].feedbackTap), kRows[k].rightFeedback) << k;
        }
        for (int32_t channel = 0; channel < 2; ++channel)
            for (int32_t stage = 0; stage < LatticeDiffuser::kStages; ++stage)
                EXPECT_EQ(arena.diffusers[channel].taps.distance(stage, engine.ringPos),
                          kDiffuserDelays[channel][stage]);
    });
}

TEST(ArenaKernel, EachRingHearsItsEarlyTapThenItsOwnFeedback)
{
    ReverbEngine engine;
    setUpEngine(engine, 44100.0f, 0.5f, 1.0f, 0.0f); // no damping: the loop returns loopGain exactly
    runSilence(engine, engine.arena, 5000);
    const int32_t start = engine.ringPos;
    runNetwork(engine, engine.arena, impulse(10683 + 2237 + 2, 1.0f, 1.0f));
    const float gain = engine.arena.loopGain;
    for (int32_t k = 0; k < Arena::kRingsPerChannel; ++k)
    {
        const float* left = engine.pool.shortRing(k);
        const float* right = engine.pool.shortRing(Arena::kRingsPerChannel + k);
        const auto at = [start](int32_t delay) { return (start + delay) & kShortRingMask; };
        const ArenaRow& row = kRows[k];
        EXPECT_NEAR(left[at(row.leftEarly - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(left[at(row.leftEarly)], 1.0f, 1e-6f) << k;
        EXPECT_NEAR(left[at(row.leftEarly + row.leftFeedback - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(left[at(row.leftEarly + row.leftFeedback)], gain, 1e-6f) << k;
        EXPECT_NEAR(right[at(row.rightEarly)], 1.0f, 1e-6f) << k;
        EXPECT_NEAR(right[at(row.rightEarly + row.rightFeedback - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(right[at(row.rightEarly + row.rightFeedback)], gain, 1e-6f) << k;
    }
}

TEST(ArenaKernel, FirstSoundOfALeftImpulse)
{
    // Through left ring 0 and the four allpasses' direct paths on the left,
    // right ring 2 (the first right ring that reads the left input) on the right.
    ReverbEngine engine;
    setUpEngine(engine, 48000.0f);
    StereoSignal out = runNetwork(engine, engine.arena, impulse(4000, 1.0f, 0.0f));
    const float g = engine.arena.apGain;
    EXPECT_EQ(firstAbove(out.left), 231);
    EXPECT_NEAR(out.left[231], 0.084 * std::pow(g, 4.0), 1e-6);
    EXPECT_EQ(firstAbove(out.right), 921);
    EXPECT_NEAR(out.right[921], 0.084 * std::pow(g, 4.0), 1e-6);
}

TEST(ArenaKernel, WithoutDiffusionTheAllpassesArePlainDelays)
{
    ReverbEngine engine;
    setUpEngine(engine, 44100.0f, 0.5f, 0.0f);
    StereoSignal out = runNetwork(engine, engine.arena, impulse(4000, 1.0f, 0.0f));
    EXPECT_EQ(firstAbove(out.left), 231 + 159 + 211 + 411 + 562);
    EXPECT_NEAR(out.left[231 + 1343], 0.084f, 1e-6f);
    EXPECT_EQ(firstAbove(out.right), 921 + 177 + 184 + 420 + 540);
    EXPECT_NEAR(out.right[921 + 1321], 0.084f, 1e-6f);
}
