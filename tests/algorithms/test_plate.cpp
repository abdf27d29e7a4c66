// The Plate network: its prepared values, its tap distances, the allpass
// Biquads it takes from the engine and how an impulse reaches the outputs.
#include "AlgorithmProbe.h"

#include <gtest/gtest.h>

namespace
{
// Samples behind the write position, at every internal rate.
constexpr int32_t kCombDistances[24] = {882, 908, 935, 962, 990,  1019, 1049, 1080, 1112, 1144, 1178, 1212,
                                        891, 899, 944, 953, 999, 1010, 1058, 1071, 1120, 1135, 1186, 1203};
constexpr int32_t kLoopAllpassDistances[24] = {24, 24, 25, 26, 27, 27, 28, 29, 30, 31, 32, 32,
                                               24, 24, 25, 26, 27, 27, 28, 29, 30, 30, 32, 32};
constexpr int32_t kEarlyDistances[2][12] = {
    {315, 445, 569, 602, 809, 412, 597, 610, 632, 643, 699, 765},
    {315, 445, 569, 602, 809, 411, 599, 609, 634, 641, 701, 766},
};
constexpr int32_t kDiffuserDistances[2][4] = {{50, 74, 120, 179}, {49, 74, 120, 178}};
constexpr int32_t kEarlyAllpassDistances[2][4] = {{29, 32, 49, 57}, {29, 33, 50, 57}};

void expectDistances(const ReverbEngine& engine)
{
    const Plate& plate = engine.plate;
    const int32_t pos = engine.ringPos;
    for (int u = 0; u < 24; ++u)
    {
        EXPECT_EQ(plate.combTaps.distance(u, pos), kCombDistances[u]) << "unit " << u;
        EXPECT_EQ(plate.loopAllpassTaps.distance(u, pos), kLoopAllpassDistances[u])
            << "unit " << u;
    }
    for (int ch = 0; ch < 2; ++ch)
    {
        for (int t = 0; t < 12; ++t)
            EXPECT_EQ(plate.earlyTaps[ch].distance(t, pos), kEarlyDistances[ch][t])
                << "channel " << ch << " early tap " << t;
        for (int t = 0; t < 4; ++t)
        {
            EXPECT_EQ(plate.diffuserTaps[ch].distance(t, pos), kDiffuserDistances[ch][t])
                << "channel " << ch << " diffuser " << t;
            EXPECT_EQ(plate.earlyAllpassTaps[ch].distance(t, pos),
                      kEarlyAllpassDistances[ch][t])
                << "channel " << ch << " early allpass " << t;
        }
    }
}
} // namespace

TEST(Plate, PreparedValues)
{
    ProbeSettings settings;
    settings.decay = 0.0f;
    settings.highDamp = 0.0f;
    const auto low = preparedRig(kPlate, settings);
    EXPECT_FLOAT_EQ(low->engine.plate.sizeFactor, 0.8331459f);
    EXPECT_FLOAT_EQ(low->engine.plate.plateUnit, 73.483467f);
    EXPECT_FLOAT_EQ(low->engine.plate.apGain, 0.42f);
    EXPECT_FLOAT_EQ(low->engine.plate.loopGain, 0.8016803f);
    EXPECT_EQ(low->engine.plate.dampCoef, 1.0f);

    settings.decay = 0.5f;
    EXPECT_FLOAT_EQ(preparedRig(kPlate, settings)->engine.plate.loopGain, 0.9291025f);

    settings.decay = 1.0f;
    settings.highDamp = 1.0f;
    settings.diffusion = 0.0f;
    const auto high = preparedRig(kPlate, settings);
    EXPECT_FLOAT_EQ(high->engine.plate.loopGain, 0.9876411f);
    EXPECT_FLOAT_EQ(high->engine.plate.dampCoef, 0.2f);
    EXPECT_EQ(high->engine.plate.apGain, 0.0f);
}

TEST(Plate, TapDistancesDoNotFollowTheInternalRate)
{
    checkAtHostRates(kPlate, {44100.0f, 48000.0f, 96000.0f}, expectDistances);
}

TEST(Plate, UsesTheEnginesAllpassBiquadsAtTheirFrequencies)
{
    const ReverbEngine engine;
    const auto frequency = [&engine](int32_t index) { return engine.allpassBiquads[index].frequency(); };
    EXPECT_EQ(frequency(Plate::kInputLowBiquad[0]), 100.0);
    EXPECT_EQ(frequency(Plate::kInputHighBiquad[0]), 1600.0);
    EXPECT_EQ(frequency(Plate::kInputLowBiquad[1]), 105.0);
    EXPECT_EQ(frequency(Plate::kInputHighBiquad[1]), 1603.0);
    const double groups[2][4] = {
        {7127.189745122714, 6381.352228912162, 5656.85424949238, 5064.88262057739},
        {7162.825693848327, 6349.604207872799, 5685.1385207398425, 5039.684199579493},
    };
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(frequency(Plate::kGroupBiquad[ch][k]), groups[ch][k]) << ch << " " << k;
}

TEST(Plate, ImpulseArrivals)
{
    // Each output first hears tap 0 of its own tone ring (315) through E1;
    // the other input arrives through E1's tap 5 on the other ring.
    const WetPair left = impulseResponse(kPlate, {}, true, false, 1500);
    EXPECT_EQ(firstAbove(left.left), 315);
    EXPECT_EQ(firstAbove(left.right), 411);
    const WetPair right = impulseResponse(kPlate, {}, false, true, 1500);
    EXPECT_EQ(firstAbove(right.left), 412);
    EXPECT_EQ(firstAbove(right.right), 315);
}

TEST(Plate, WithoutDiffusionTheAllpassesArePureDelays)
{
    // E1 delays by 29 samples on both sides.
    ProbeSettings settings;
    settings.diffusion = 0.0f;
    const WetPair left = impulseResponse(kPlate, settings, true, false, 1500);
    EXPECT_EQ(firstAbove(left.left), 315 + 29);
    EXPECT_EQ(firstAbove(left.right), 411 + 29);
    const WetPair right = impulseResponse(kPlate, settings, false, true, 1500);
    EXPECT_EQ(firstAbove(right.left), 412 + 29);
    EXPECT_EQ(firstAbove(right.right), 315 + 29);
}

TEST(Plate, CopiesItsLoopGainIntoTheEngine)
{
    ProbeSettings settings;
    settings.decay = 1.0f;
    auto rig = preparedRig(kPlate, settings);
    EXPECT_EQ(rig->engine.loopGain, 0.8f); // as the reset left it
    const std::vector<float> in(16, 0.0f);
    runAlgorithm(*rig, kPlate, in, in);
    EXPECT_EQ(rig->engine.loopGain, rig->engine.plate.loopGain);
}
