// The Plate network: its prepared values, its tap distances, the allpass
// Biquads it takes from the engine, how an impulse reaches the outputs, and a
// reference kernel.
#include "AlgorithmProbe.h"
#include "ReferenceKernel.h"

#include <gtest/gtest.h>

#include <cmath>

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

// The network as described, on the distances above, with Biquads of its own.
class PlateReference
{
public:
    void prepare(const ReferenceSettings& s, double rate)
    {
        input.prepare(s, rate);
        const auto size = static_cast<float>(std::pow(4.0, 0.515) * 0.5 * 0.8 * 1.02);
        apGain = static_cast<float>(s.diffusion * 0.6 * 0.7);
        damp = referenceDamping(s.highDamp);
        loopGain = static_cast<float>(std::pow(std::pow(1.65, std::sqrt(static_cast<double>(s.decay))) / 1.7, size * 0.5));
        if (biquadRate != rate)
        {
            biquadRate = rate;
            static const double kGroupHz[2][4] = {
                {7127.189745122714, 6381.352228912162, 5656.85424949238, 5064.88262057739},
                {7162.825693848327, 6349.604207872799, 5685.1385207398425, 5039.684199579493},
            };
            const double lowHz[2] = {100.0, 105.0};
            const double highHz[2] = {1600.0, 1603.0};
            for (int ch = 0; ch < 2; ++ch)
            {
                inputLow[ch] = Biquad(rate, Biquad::kAllpass, lowHz[ch], 0.3, 24.0);
                inputHigh[ch] = Biquad(rate, Biquad::kAllpass, highHz[ch], 1.2, 24.0);
                for (int k = 0; k < 4; ++k)
                    group[ch][k] = Biquad(rate, Biquad::kAllpass, kGroupHz[ch][k], 0.5, 24.0);
            }
        }
    }

    void sample(float inL, float inR, float& outL, float& outR)
    {
        float t[2];
        input.next(inL, inR, t[0], t[1]);
        const float noise = input.noise;
        float x[2];
        for (int ch = 0; ch < 2; ++ch)
        {
            const double a = inputLow[ch].process(t[ch]);
            x[ch] = static_cast<float>(inputHigh[ch].process(a + noise) + noise);
            tone[ch].put(n, x[ch]);
        }

        float early[2];
        for (int ch = 0; ch < 2; ++ch)
        {
            const ReferenceRing& own = tone[ch];
            const ReferenceRing& other = tone[1 - ch];
            const auto tap = [&](const ReferenceRing& ring, int k) {
                return static_cast<double>(ring.at(n, kEarlyDistances[ch][k]));
            };
            const double g = apGain;
            const float in[4] = {
                static_cast<float>(0.5 * tap(other, 5) + 0.5 * tap(own, 0)),
                static_cast<float>(0.4 * tap(own, 1)),
                ch == 0 ? static_cast<float>(0.32 * tap(own, 3) + 0.35 * tap(own, 2) + 0.2 * tap(own, 4))
                        : static_cast<float>(0.35 * tap(own, 2) + 0.32 * tap(own, 3) + 0.2 * tap(own, 4)),
                static_cast<float>(0.31 * tap(other, 6) + 0.29 * tap(other, 7) + 0.28 * tap(other, 8) +
                                   0.27 * tap(other, 9)),
            };
            const double magnitude[4] = {0.7 * g, 0.79 * g, 0.84 * g, 0.92 * g};
            float out[4];
            for (int e = 0; e < 4; ++e)
            {
                ReferenceRing& ring = earlyRing[ch][e];
                const double r = ring.at(n, kEarlyAllpassDistances[ch][e]);
                if (e == 0 || e == 2)
                {
                    const auto v = static_cast<float>(in[e] - magnitude[e] * r);
                    ring.put(n, v);
                    out[e] = static_cast<float>(r + magnitude[e] * v);
                }
                else
                {
                    const auto v = static_cast<float>(in[e] + magnitude[e] * r);
                    ring.put(n, v);
                    out[e] = static_cast<float>(r - magnitude[e] * v);
                }
            }
            early[ch] = out[1] + out[0] + out[2] + out[3];
        }

        float dIn[2];
        for (int ch = 0; ch < 2; ++ch)
        {
            float v = x[ch];
            for (int stage = 0; stage < 3; ++stage)
            {
                const float y = diffuser[ch][stage].at(n, kDiffuserDistances[ch][stage]) - 0.5f * v;
                diffuser[ch][stage].put(n, v + 0.5f * y);
                v = y;
            }
            dIn[ch] = v;
        }

        float o[24];
        for (int k = 0; k < 24; ++k)
        {
            const float y = comb[k].at(n, kCombDistances[k]);
            const float a = loopAllpass[k].at(n, kLoopAllpassDistances[k]);
            if (k % 2 == 0)
            {
                const float v = apGain * a - y;
                loopAllpass[k].put(n, v);
                o[k] = a - apGain * v;
            }
            else
            {
                const float v = -y - apGain * a;
                loopAllpass[k].put(n, v);
                o[k] = a + apGain * v;
            }
            state[k] = (o[k] - state[k]) * damp + noise + state[k];
            // Units 0..11 alternate left, right; 12..23 right, left.
            const int channel = (k < 12) ? (k & 1) : 1 - (k & 1);
            comb[k].put(n, state[k] * loopGain + dIn[channel]);
        }

        static const int kGroups[2][4][3] = {
            {{1, 0, 14}, {15, 4, 5}, {19, 18, 8}, {22, 9, 23}},
            {{13, 12, 2}, {16, 3, 17}, {7, 6, 20}, {21, 10, 11}},
        };
        float* out[2] = {&outL, &outR};
        for (int ch = 0; ch < 2; ++ch)
        {
            double g[4];
            for (int k = 0; k < 4; ++k)
                g[k] = group[ch][k].process(o[kGroups[ch][k][0]] + o[kGroups[ch][k][1]] + o[kGroups[ch][k][2]]);
            *out[ch] = static_cast<float>((g[3] + (g[2] + (g[1] + (g[0] + 3.0 * early[ch])))) * 0.07268);
        }
        ++n;
    }

private:
    ReferenceInput input;
    double biquadRate = 0.0;
    Biquad inputLow[2];
    Biquad inputHigh[2];
    Biquad group[2][4];
    ReferenceRing tone[2];
    ReferenceRing earlyRing[2][4];
    ReferenceRing diffuser[2][3];
    ReferenceRing comb[24];
    ReferenceRing loopAllpass[24];
    float state[24] = {};
    float apGain = 0.0f;
    float damp = 0.0f;
    float loopGain = 0.0f;
    int64_t n = 0;
};
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

TEST(Plate, UsesItsAllpassBiquadsAtTheirFrequencies)
{
    const Plate plate;
    const auto frequency = [&plate](int32_t index) { return plate.allpassBiquads[index].frequency(); };
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

TEST(Plate, KeepsTheResetsLoopGainOnlyUntilThePrepare)
{
    ProbeSettings settings;
    settings.decay = 1.0f;
    auto rig = preparedRig(kPlate, settings);
    const float prepared = rig->engine.plate.loopGain;
    rig->engine.resetEngine();
    EXPECT_EQ(rig->engine.plate.loopGain, 0.8f);
    const std::vector<float> in(16, 0.0f);
    runAlgorithm(*rig, kPlate, in, in);
    EXPECT_EQ(rig->engine.plate.loopGain, prepared);
}

TEST(Plate, MatchesTheReferenceKernel)
{
    expectMatchesReference<Plate, PlateReference>(&ReverbEngine::plate, 44100.0f, kReferenceSettings);
    expectMatchesReference<Plate, PlateReference>(&ReverbEngine::plate, 48000.0f, kReferenceSettings);
}
