// The Hall network: its prepared values, its tap distances and how an
// impulse reaches the outputs through the loop and the echo rings.
#include "AlgorithmProbe.h"

#include <gtest/gtest.h>

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
