// The Hall network: its prepared values, its tap distances, how an impulse
// reaches the outputs through the loop and the echo rings, and a reference
// kernel.
#include "AlgorithmProbe.h"
#include "ReferenceKernel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// Delays in samples per row: feedback, second, left output, right output.
constexpr int32_t kRowDistances[24][4] = {
    {2222, 2190, 2310, 2310}, {2158, 2128, 1796, 1793}, {2097, 2067, 2152, 2156}, {2037, 2008, 1698, 1693},
    {1979, 1951, 1065, 1068}, {1923, 1895, 1462, 1452}, {1868, 1842, 1354, 1364}, {1815, 1789, 1130, 1121},
    {1763, 1738, 935, 943},   {1713, 1689, 941, 932},   {1665, 1641, 888, 897},   {1617, 1594, 845, 835},
    {2190, 2158, 2038, 2038}, {2128, 2097, 1553, 1551}, {2067, 2037, 1641, 1644}, {2008, 1979, 1264, 1261},
    {1951, 1923, 814, 816},   {1895, 1868, 943, 939},   {1842, 1815, 853, 857},   {1789, 1763, 727, 723},
    {1738, 1713, 597, 600},   {1689, 1665, 579, 575},   {1641, 1617, 533, 536},   {1594, 1571, 495, 491},
};
constexpr int32_t kDiffuserDistances[2][4] = {{716, 279, 556, 211}, {745, 244, 539, 234}};
constexpr int32_t kDiffuserTotal = 1762; // both channels

void expectDistances(const ReverbEngine& engine)
{
    const Hall& hall = engine.hall;
    const int32_t pos = engine.ringPos;
    for (int r = 0; r < 24; ++r)
    {
        EXPECT_EQ(hall.feedbackTaps.distance(r, pos), kRowDistances[r][0]) << "row " << r;
        EXPECT_EQ(hall.secondTaps.distance(r, pos), kRowDistances[r][1]) << "row " << r;
        EXPECT_EQ(hall.leftTaps.distance(r, pos), kRowDistances[r][2]) << "row " << r;
        EXPECT_EQ(hall.rightTaps.distance(r, pos), kRowDistances[r][3]) << "row " << r;
    }
    for (int ch = 0; ch < 2; ++ch)
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(hall.diffusers[ch].taps.distance(s, pos), kDiffuserDistances[ch][s]);
}

// The network as described, on the distances above.
class HallReference
{
public:
    void prepare(const ReferenceSettings& s, double rate)
    {
        input.prepare(s, rate);
        const auto size = static_cast<float>(std::pow(4.0, 0.515) * 0.0625);
        gain = referenceLadderGain(s.decay, 1.0 / (size * 0.25));
        apGain = static_cast<float>(s.diffusion * 0.9 * 0.7);
        damp = referenceDamping(s.highDamp);
    }

    void sample(float inL, float inR, float& outL, float& outR)
    {
        // Loop ring input of each row (the echo ring takes the other channel).
        static const int kLoopInput[24] = {0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
        float t[2];
        input.next(inL, inR, t[0], t[1]);
        const float noise = input.noise;
        for (int i = 0; i < 24; ++i)
            a[i] = (loop[i].at(n, kRowDistances[i][0]) - a[i]) * damp + noise + a[i];
        for (int i = 0; i < 24; ++i)
            b[i] = (loop[i].at(n, kRowDistances[i][1]) - b[i]) * damp + noise + b[i];
        for (int i = 0; i < 24; ++i)
            loop[i].put(n, gain * a[i] + t[kLoopInput[i]]);
        for (int i = 0; i < 24; ++i)
            echo[i].put(n, gain * b[i] + t[1 - kLoopInput[i]]);
        float sum[2] = {loop[0].at(n, kRowDistances[0][2]), echo[0].at(n, kRowDistances[0][3])};
        for (int i = 1; i < 24; ++i)
        {
            sum[0] = sum[0] + loop[i].at(n, kRowDistances[i][2]);
            sum[1] = sum[1] + echo[i].at(n, kRowDistances[i][3]);
        }
        float* out[2] = {&outL, &outR};
        for (int ch = 0; ch < 2; ++ch)
        {
            const auto x = static_cast<float>(sum[ch] * 0.08625);
            *out[ch] = referenceLattice(diffuser[ch], kDiffuserDistances[ch], n, apGain, x);
        }
        ++n;
    }

private:
    ReferenceInput input;
    ReferenceRing loop[24];
    ReferenceRing echo[24];
    ReferenceRing diffuser[2][4];
    float a[24] = {};
    float b[24] = {};
    float gain = 0.0f;
    float apGain = 0.0f;
    float damp = 0.0f;
    int64_t n = 0;
};
} // namespace

TEST(Hall, PreparedValues)
{
    ProbeSettings settings;
    settings.decay = 0.0f;
    settings.highDamp = 0.0f;
    const auto low = preparedRig(kHall, settings);
    EXPECT_FLOAT_EQ(low->engine.hall.sizeFactor, 0.1276265f);
    EXPECT_FLOAT_EQ(low->engine.hall.loopGain, 0.5294043f);
    EXPECT_FLOAT_EQ(low->engine.hall.apGain, 0.63f);
    EXPECT_EQ(low->engine.hall.dampCoef, 1.0f);

    settings.decay = 0.5f;
    EXPECT_FLOAT_EQ(preparedRig(kHall, settings)->engine.hall.loopGain, 0.8175136f);

    settings.decay = 1.0f;
    settings.highDamp = 1.0f;
    settings.diffusion = 0.0f;
    const auto high = preparedRig(kHall, settings);
    EXPECT_FLOAT_EQ(high->engine.hall.loopGain, 0.9787239f);
    EXPECT_FLOAT_EQ(high->engine.hall.dampCoef, 0.2f);
    EXPECT_EQ(high->engine.hall.apGain, 0.0f);
}

TEST(Hall, TapDistancesDoNotFollowTheInternalRate)
{
    checkAtHostRates(kHall, {44100.0f, 48000.0f, 192000.0f}, expectDistances);
}

TEST(Hall, ImpulseArrivals)
{
    // Row 23's output taps: 495 on its loop ring (left output), 491 on its
    // echo ring (right output).
    const WetPair both = impulseResponse(kHall, {}, true, true, 3000);
    EXPECT_EQ(firstAbove(both.left), 495);
    EXPECT_EQ(firstAbove(both.right), 491);
    EXPECT_NEAR(both.left[495], 0.08625f * 0.63f * 0.63f * 0.63f * 0.63f, 1e-4f);

    // The left output hears only loop rings, the right only echo rings: the
    // left input feeds row 22's loop ring (533) and row 23's echo ring (491).
    const WetPair left = impulseResponse(kHall, {}, true, false, 3000);
    EXPECT_EQ(firstAbove(left.left), 533);
    EXPECT_EQ(firstAbove(left.right), 491);
    const WetPair right = impulseResponse(kHall, {}, false, true, 3000);
    EXPECT_EQ(firstAbove(right.left), 495);
    EXPECT_EQ(firstAbove(right.right), 536);
}

TEST(Hall, WithoutDiffusionTheDiffusersArePureDelays)
{
    ProbeSettings settings;
    settings.diffusion = 0.0f;
    const WetPair both = impulseResponse(kHall, settings, true, true, 3000);
    EXPECT_EQ(firstAbove(both.left), 495 + kDiffuserTotal);
    EXPECT_EQ(firstAbove(both.right), 491 + kDiffuserTotal);
    EXPECT_NEAR(both.left[495 + kDiffuserTotal], 0.08625f, 1e-5f);
}

TEST(Hall, MatchesTheReferenceKernel)
{
    expectMatchesReference<Hall, HallReference>(&ReverbEngine::hall, 44100.0f, kReferenceSettings);
    expectMatchesReference<Hall, HallReference>(&ReverbEngine::hall, 48000.0f, kReferenceSettings);
}
