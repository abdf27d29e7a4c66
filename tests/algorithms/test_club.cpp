// The Club: its prepared gains and taps against the stated numbers, the
// loops that write behind the shared position, and what an impulse does.
#include "NetworkChecks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr float kEarlyGains[12] = {2.5f,      2.102231f, 1.767767f, 1.486607f, 1.25f,     1.051190f,
                                   0.883883f, 0.743303f, 0.625f,    0.525535f, 0.441942f, 0.371568f};
constexpr double kOutputScale = 0.1103;

constexpr CombNetworkNumbers kNumbers = {
    {0.3611999f, 0.7388829f, 0.9938590f},
    1.0f,
    0.63f,
    kEarlyGains,
    {1754, 2056, 2298, 2703, 2891, 3084, 2128, 2494, 2788, 3278, 3507, 3741,
     1760, 2044, 2304, 2697, 2903, 3078, 2062, 2480, 2795, 3271, 3521, 3807},
    {155, 182, 204, 203, 231, 266, 251, 381, 427, 328, 374, 430,
     157, 181, 206, 201, 236, 262, 254, 292, 333, 325, 381, 423},
    {346, 684, 1339, 1676, 2504, 2630, 3842, 4286, 4626, 5689, 5700, 6098,
     346, 678, 1384, 1774, 2516, 2787, 3944, 4141, 4464, 5713, 5991, 6074},
    {{648, 504, 221}, {659, 482, 232}},
    {{705, 548, 241}, {717, 525, 252}},
};

constexpr uint8_t L = 0;
constexpr uint8_t R = 1;
constexpr int32_t kOffset = 1339; // early tap 2's delay
constexpr CombNetworkWiring kWiring = {
    {L, L, L, L, L, L, L, R, L, R, L, R, R, R, R, R, R, R, R, L, R, L, R, L},
    {kOffset, kOffset, kOffset, kOffset, kOffset, kOffset, 0, 0, 0, 0, 0, 0,
     kOffset, kOffset, kOffset, kOffset, kOffset, kOffset, 0, 0, 0, 0, 0, 0},
    {{0, 1, 4, 5, 14, 15, 18, 19, 20, 21, 22, 23}, {2, 3, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17}},
    {L, L, L, L, L, L, L, L, L, L, L, L, R, R, R, R, R, R, R, R, R, R, R, R},
    false,
    kOutputScale,
    [](float decay) {
        const double s = static_cast<float>(std::pow(4.0, 0.485) * 0.5);
        return static_cast<float>(std::pow(std::pow(7.9, std::sqrt(static_cast<double>(decay))) * 0.125, s * 0.5));
    },
    [](float diffusion) { return static_cast<float>(diffusion * 0.9 * 0.7); },
    [](double level) { return static_cast<float>(2.5 * std::sqrt(level)); },
};

struct ClubReference : CombNetworkReference
{
    ClubReference() : CombNetworkReference(kNumbers, kWiring) {}
};
} // namespace

TEST(ClubPrepare, StatedGainsAndDistances)
{
    expectCombNetworkNumbers(&ReverbEngine::club, kNumbers);

    KernelRig rig;
    rig.prepare(rig.engine.club);
    EXPECT_NEAR(rig.engine.club.sizeFactor, 0.9794203f, 1e-7f);
    EXPECT_NEAR(rig.engine.club.timeUnit, 43.192436f, 1e-5f);
}

TEST(ClubPrepare, OffsetWritesShortenTwelveLoops)
{
    // Loop delay of each unit: its comb delay, less the offset for the units
    // that write behind ringPos.
    constexpr int32_t kLoop[24] = {415,  717,  959,  1364, 1552, 1745, 2128, 2494, 2788, 3278, 3507, 3741,
                                   421,  705,  965,  1358, 1564, 1739, 2062, 2480, 2795, 3271, 3521, 3807};
    KernelRig rig;
    rig.engine.ringPos = 100;
    rig.engine.inputPos = 100 + 2 * 16384;
    rig.prepare(rig.engine.club);
    const CombAllpassNetwork& net = rig.engine.club.network;
    const int32_t ringPos = rig.engine.ringPos;
    // The offset units write at early tap 2's position, 1339 behind ringPos.
    const int32_t offset = (ringPos - (net.early.taps.at[2] & kShortRingMask)) & kShortRingMask;
    EXPECT_EQ(offset, 1339);
    for (int32_t k = 0; k < 24; ++k)
    {
        const int32_t comb = (ringPos - net.units[k].combTap) & kShortRingMask;
        const bool writesAtOffset = (k < 6) || (k >= 12 && k < 18);
        EXPECT_EQ(writesAtOffset ? comb - offset : comb, kLoop[k]) << k;
    }
}

TEST(ClubImpulse, EachOutputsEarlyReflectionsReadItsOwnChannel)
{
    KernelRig rig;
    const std::vector<float> impulse = impulseAt(2000, 0);
    const std::vector<float> silence(2000, 0.0f);
    const float apGain = 0.63f;

    // A left impulse: the first left reflection 346 samples on (direct path
    // of the last allpass). The right output hears it first through unit 2,
    // the shortest loop fed from the left and summed into the right: 959
    // samples (its comb delay 2298 less the 1339 of the offset write), the
    // allpasses passing it at once through their direct paths.
    WetPair wet = rig.run(rig.engine.club, impulse, silence);
    EXPECT_EQ(firstAbove(wet.left), 346);
    EXPECT_NEAR(wet.left[346], kEarlyGains[0] * apGain * kOutputScale, 1e-5);
    EXPECT_EQ(firstAbove(wet.right), 959);

    // A right impulse, mirrored: unit 14 (965 samples) carries it to the left.
    KernelRig mirrored;
    wet = mirrored.run(mirrored.engine.club, silence, impulse);
    EXPECT_EQ(firstAbove(wet.right), 346);
    EXPECT_NEAR(wet.right[346], kEarlyGains[0] * apGain * kOutputScale, 1e-5);
    EXPECT_EQ(firstAbove(wet.left), 965);
}

TEST(ClubImpulse, DiffusionZeroShowsTheShortenedLoops)
{
    KernelRig rig;
    rig.engine.diffusion = 0.0f;
    rig.engine.highDamp = 0.0f;
    const std::vector<float> left = impulseAt(3000, 0);
    const std::vector<float> silence(3000, 0.0f);
    const WetPair wet = rig.run(rig.engine.club, left, silence);

    // Left: early taps 0..3 (346, 684, 1339, 1676) delayed by the last
    // allpass (221); then unit 0, whose loop is 1754 - 1339 = 415 samples,
    // plus its allpass (155), inverted, through 648 + 504 + 221 = 1373.
    EXPECT_EQ(audibleSamples(wet.left, 0, 1944), (std::vector<int32_t>{567, 905, 1560, 1897, 1943}));
    EXPECT_NEAR(wet.left[567], kEarlyGains[0] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.left[905], -kEarlyGains[1] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.left[1560], kEarlyGains[2] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.left[1897], -kEarlyGains[3] * kOutputScale, 1e-5);
    EXPECT_NEAR(wet.left[1943], -kOutputScale, 1e-5);

    // Right: only the loops; first unit 2 (loop 2298 - 1339 = 959, allpass
    // 204) through 659 + 482 + 232 = 1373.
    EXPECT_EQ(audibleSamples(wet.right, 0, 2537), (std::vector<int32_t>{2536}));
    EXPECT_NEAR(wet.right[2536], -kOutputScale, 1e-5);
}

TEST(ClubGolden, RendersBitForBit)
{
    expectGoldenRenders(kClub, {"6eccf87b59edad13", "01d712bedc602d66", "267882a7828c44f4"});
}

TEST(ClubReference, MatchesTheReferenceKernel)
{
    expectMatchesReference<Club, ClubReference>(&ReverbEngine::club, 44100.0f, kReferenceSettings);
    expectMatchesReference<Club, ClubReference>(&ReverbEngine::club, 48000.0f, kReferenceSettings);
}
