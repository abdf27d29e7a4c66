// The Arena: its prepared gains, the tap lengths the seeded jitter yields,
// impulse timing through the kernel, a reference kernel and golden renders.
#include "LadderChecks.h"
#include "NetworkChecks.h"

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
constexpr double kOutputScale = 0.084;

// The network as described, on the delays above.
class ArenaReference
{
public:
    void prepare(const ReferenceSettings& s, double rate)
    {
        input.prepare(s, rate);
        const auto size = static_cast<float>(std::pow(16.0, 0.435) * 0.125 * 0.5);
        gain = referenceLadderGain(s.decay, size * 128.0);
        apGain = static_cast<float>(s.diffusion * 0.88 * 0.72);
        damp = referenceDamping(s.highDamp);
    }

    void sample(float inL, float inR, float& outL, float& outR)
    {
        float t[2];
        input.next(inL, inR, t[0], t[1]);
        tone[0].put(n, t[0]);
        tone[1].put(n, t[1]);
        for (int ch = 0; ch < 2; ++ch)
            for (int k = 0; k < 24; ++k)
            {
                const int32_t delay = ch == 0 ? kRows[k].leftFeedback : kRows[k].rightFeedback;
                d[ch][k] = (ring[ch][k].at(n, delay) - d[ch][k]) * damp + input.noise + d[ch][k];
            }
        float* out[2] = {&outL, &outR};
        for (int ch = 0; ch < 2; ++ch)
        {
            float sum = 0.0f;
            for (int k = 0; k < 24; ++k)
            {
                // Sources repeat left, left, right on the left bank, the mirror on the right.
                const int source = (k % 3 == 2) ? 1 - ch : ch;
                const int32_t early = ch == 0 ? kRows[k].leftEarly : kRows[k].rightEarly;
                const float value = gain * d[ch][k] + tone[source].at(n, early);
                ring[ch][k].put(n, value);
                sum = k == 0 ? value : sum + value;
            }
            const float y = referenceLattice(diffuser[ch], kDiffuserDelays[ch], n, apGain, sum);
            *out[ch] = static_cast<float>(y * kOutputScale);
        }
        ++n;
    }

private:
    ReferenceInput input;
    ReferenceRing tone[2] = {ReferenceRing(kLongRingSize), ReferenceRing(kLongRingSize)};
    ReferenceRing ring[2][24];
    ReferenceRing diffuser[2][4];
    float d[2][24] = {};
    float gain = 0.0f;
    float apGain = 0.0f;
    float damp = 0.0f;
    int64_t n = 0;
};
} // namespace

TEST(ArenaPrepare, SizeGainsAndDamping)
{
    expectLadderNumbers(&ReverbEngine::arena,
                        {0.2087720f, {0.5814222f, 0.8421514f, 0.9818306f}, static_cast<float>(0.88 * 0.72)});
}

TEST(ArenaPrepare, EveryTapLengthAtBothInternalRates)
{
    expectTapsHold(&ReverbEngine::arena, [](const ReverbEngine& engine, const Arena& arena) {
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

TEST(ArenaImpulse, EachRingHearsItsEarlyTapThenItsOwnFeedback)
{
    KernelRig rig;
    rig.engine.highDamp = 0.0f; // no damping: the loop returns loopGain times the impulse
    Arena& arena = rig.engine.arena;
    const std::vector<float> silence(5000, 0.0f);
    rig.run(arena, silence, silence);
    const int32_t start = rig.engine.ringPos;
    const size_t length = 10683 + 2237 + 2;
    rig.run(arena, impulseAt(length, 0), impulseAt(length, 0));

    const auto at = [start](int32_t delay) { return (start + delay) & kShortRingMask; };
    for (int32_t k = 0; k < Arena::kRingsPerChannel; ++k)
    {
        const float* left = rig.engine.pool.shortRing(k);
        const float* right = rig.engine.pool.shortRing(Arena::kRingsPerChannel + k);
        const ArenaRow& row = kRows[k];
        EXPECT_NEAR(left[at(row.leftEarly - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(left[at(row.leftEarly)], 1.0f, 1e-6f) << k;
        EXPECT_NEAR(left[at(row.leftEarly + row.leftFeedback - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(left[at(row.leftEarly + row.leftFeedback)], arena.loopGain, 1e-6f) << k;
        EXPECT_NEAR(right[at(row.rightEarly)], 1.0f, 1e-6f) << k;
        EXPECT_NEAR(right[at(row.rightEarly + row.rightFeedback - 1)], 0.0f, 1e-6f) << k;
        EXPECT_NEAR(right[at(row.rightEarly + row.rightFeedback)], arena.loopGain, 1e-6f) << k;
    }
}

TEST(ArenaImpulse, FirstSoundOfALeftImpulse)
{
    // Left ring 0 straight into the sum and the four allpasses' direct paths;
    // on the right, ring 2 is the first that reads the left input.
    KernelRig rig(48000.0f);
    const WetPair wet = rig.run(rig.engine.arena, impulseAt(4000, 0), std::vector<float>(4000, 0.0f));
    const double weight = kOutputScale * std::pow(rig.engine.arena.apGain, 4.0);
    EXPECT_EQ(firstAbove(wet.left), 231);
    EXPECT_NEAR(wet.left[231], weight, 1e-6);
    EXPECT_EQ(firstAbove(wet.right), 921);
    EXPECT_NEAR(wet.right[921], weight, 1e-6);
}

TEST(ArenaImpulse, WithoutDiffusionTheAllpassesArePlainDelays)
{
    KernelRig rig;
    rig.engine.diffusion = 0.0f;
    const WetPair wet = rig.run(rig.engine.arena, impulseAt(4000, 0), std::vector<float>(4000, 0.0f));
    EXPECT_EQ(firstAbove(wet.left), 231 + 1343);
    EXPECT_NEAR(wet.left[231 + 1343], kOutputScale, 1e-6);
    EXPECT_EQ(firstAbove(wet.right), 921 + 1321);
    EXPECT_NEAR(wet.right[921 + 1321], kOutputScale, 1e-6);
}

TEST(ArenaReference, MatchesTheReferenceKernel)
{
    expectMatchesReference<Arena, ArenaReference>(&ReverbEngine::arena, 44100.0f, kReferenceSettings);
    expectMatchesReference<Arena, ArenaReference>(&ReverbEngine::arena, 48000.0f, kReferenceSettings);
}

TEST(ArenaGolden, RendersBitForBit)
{
    expectGoldenRenders(kArena, {"3aa97dbd7280eedb", "6a8da6bd7ea029f0", "33c04204272f3736"});
}
