// The Ambience network: its prepared values, its tap distances, when an
// impulse reaches and leaves each output, and a reference kernel.
#include "AlgorithmProbe.h"
#include "ReferenceKernel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr int32_t kL1 = 0;

ProbeSettings withDecay(float decay)
{
    ProbeSettings settings;
    settings.decay = decay;
    return settings;
}

ProbeSettings withHighDamp(float highDamp)
{
    ProbeSettings settings;
    settings.highDamp = highDamp;
    return settings;
}

// The network as described: group taps (0: X, 1: Y; length in seconds times
// the size factor), the chains' stage factor and third divisor, the mix.
class AmbienceReference
{
public:
    void prepare(const ReferenceSettings& s, double rate)
    {
        struct Tap
        {
            int side;
            double k;
        };
        static const Tap kTaps[12][3] = {
            {{0, 0.01571}, {0, 0.00723}, {1, 0.02031}}, {{0, 0.02793}, {0, 0.0412}, {1, 0.03931}},
            {{0, 0.05314}, {0, 0.05921}, {1, 0.06031}}, {{0, 0.06853}, {0, 0.06243}, {1, 0.07131}},
            {{0, 0.08543}, {0, 0.07745}, {1, 0.08331}}, {{0, 0.09269}, {0, 0.1}, {1, 0.09831}},
            {{1, 0.00731}, {1, 0.01511}, {0, 0.01931}}, {{1, 0.0422}, {1, 0.02693}, {0, 0.03731}},
            {{1, 0.05414}, {1, 0.05821}, {0, 0.05831}}, {{1, 0.06953}, {1, 0.06143}, {0, 0.07231}},
            {{1, 0.07845}, {1, 0.08443}, {0, 0.08531}}, {{1, 0.099}, {1, 0.09369}, {0, 0.09731}},
        };
        static const double kChain[12][2] = {
            {0.77044, 8.414217}, {0.76044, 7.414217}, {0.87506, 9.414217}, {0.83506, 7.414217},
            {1.04698, 8.414217}, {1.00698, 7.414217}, {0.73044, 8.414217}, {0.72044, 7.414217},
            {0.77506, 9.414217}, {0.73506, 7.414217}, {1.14698, 8.414217}, {1.10698, 7.414217},
        };
        input.prepare(s, rate);
        const auto d = static_cast<float>(std::pow(8.0, 0.52) * 0.5 * 1.25);
        const auto allpassScale = static_cast<float>(2.0 * std::sqrt(d * 0.5));
        apGain = static_cast<float>(s.diffusion * 0.65);
        const auto g = static_cast<float>(std::pow((1.0 - s.highDamp) * 0.5 + 0.5, d / 5.0));
        for (int i = 0; i < 6; ++i)
        {
            k[i] = static_cast<float>(std::pow(g, i + 1));
            w[i] = static_cast<float>(std::pow(std::pow(0.5, i), 1.0 - s.decay));
        }
        const double b = rate * 0.1;
        for (int group = 0; group < 12; ++group)
        {
            for (int t = 0; t < 3; ++t)
            {
                const double kk = kTaps[group][t].k;
                side[group][t] = kTaps[group][t].side;
                tap[group][t] = static_cast<int32_t>(std::ceil(kk == 0.1 ? d * (rate * 0.1) : (rate * kk) * d));
            }
            const double bases[3] = {b, b / 1.414217, b / kChain[group][1]};
            for (int stage = 0; stage < 3; ++stage)
                stageTap[group][stage] =
                    static_cast<int32_t>(std::ceil(((bases[stage] * kChain[group][0]) * 0.1) * allpassScale));
        }
    }

    void sample(float inL, float inR, float& outL, float& outR)
    {
        float t[2];
        input.next(inL, inR, t[0], t[1]);
        const float noise = input.noise;
        tone[0].put(n, t[0]);
        tone[1].put(n, t[1]);
        for (int group = 0; group < 12; ++group)
        {
            const float a = tone[side[group][0]].at(n, tap[group][0]) + tone[side[group][1]].at(n, tap[group][1]) +
                            tone[side[group][2]].at(n, tap[group][2]);
            smooth[group] = (a - smooth[group]) * k[group % 6] + noise + smooth[group];
        }
        float out[12];
        for (int group = 0; group < 12; ++group)
        {
            float x = smooth[group];
            for (int stage = 0; stage < 3; ++stage)
            {
                const float y = chain[group][stage].at(n, stageTap[group][stage]) - apGain * x + noise;
                chain[group][stage].put(n, x + apGain * y);
                x = y;
            }
            out[group] = x;
        }
        enum { L1, L2, L3, L4, L5, L6, R1, R2, R3, R4, R5, R6 };
        outL = static_cast<float>(
            0.25 * (w[1] * out[R2] + w[0] * out[L1] + w[2] * out[L3] + w[3] * out[R4] + w[4] * out[L5] + w[5] * out[R6]));
        outR = static_cast<float>(
            0.25 * (w[1] * out[L2] + w[0] * out[R1] + w[2] * out[R3] + w[3] * out[L4] + w[4] * out[R5] + w[5] * out[L6]));
        ++n;
    }

private:
    ReferenceInput input;
    ReferenceRing tone[2] = {ReferenceRing(kLongRingSize), ReferenceRing(kLongRingSize)};
    ReferenceRing chain[12][3];
    int side[12][3] = {};
    int32_t tap[12][3] = {};
    int32_t stageTap[12][3] = {};
    float k[6] = {};
    float w[6] = {};
    float smooth[12] = {};
    float apGain = 0.0f;
    int64_t n = 0;
};
} // namespace

TEST(Ambience, SizeAndDiffusion)
{
    const auto rig = preparedRig(kAmbience, {});
    EXPECT_FLOAT_EQ(rig->engine.ambience.sizeFactor, 1.8428365f);
    EXPECT_FLOAT_EQ(rig->engine.ambience.allpassScale, 1.9198107f);
    EXPECT_FLOAT_EQ(rig->engine.ambience.apGain, 0.65f);

    ProbeSettings dry;
    dry.diffusion = 0.0f;
    EXPECT_EQ(preparedRig(kAmbience, dry)->engine.ambience.apGain, 0.0f);
}

TEST(Ambience, GroupWeightsFollowDecay)
{
    const float atDecay0[6] = {1.0f, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f};
    const float atDecayHalf[6] = {1.0f, 0.70710678f, 0.5f, 0.35355339f, 0.25f, 0.17677670f};
    const auto zero = preparedRig(kAmbience, withDecay(0.0f));
    const auto half = preparedRig(kAmbience, withDecay(0.5f));
    const auto one = preparedRig(kAmbience, withDecay(1.0f));
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_FLOAT_EQ(zero->engine.ambience.weights[i], atDecay0[i]) << i;
        EXPECT_FLOAT_EQ(half->engine.ambience.weights[i], atDecayHalf[i]) << i;
        EXPECT_EQ(one->engine.ambience.weights[i], 1.0f) << i;
    }
}

TEST(Ambience, SmoothingFollowsHighDamp)
{
    const auto none = preparedRig(kAmbience, withHighDamp(0.0f));
    const auto half = preparedRig(kAmbience, withHighDamp(0.5f));
    const auto full = preparedRig(kAmbience, withHighDamp(1.0f));
    EXPECT_EQ(none->engine.ambience.damping, 1.0f);
    for (float k : none->engine.ambience.smoothing)
        EXPECT_EQ(k, 1.0f);
    EXPECT_FLOAT_EQ(half->engine.ambience.damping, 0.8993975f);
    EXPECT_FLOAT_EQ(full->engine.ambience.damping, 0.7745513f);
    EXPECT_NEAR(full->engine.ambience.smoothing[5], 0.2159f, 5e-5f);
    // Later groups are darker.
    for (int i = 1; i < 6; ++i)
        EXPECT_LT(full->engine.ambience.smoothing[i], full->engine.ambience.smoothing[i - 1]);
}

TEST(Ambience, TapDistancesAt44100)
{
    const int32_t groupDistances[12][3] = {
        {1277, 588, 1651}, {2270, 3349, 3195}, {4319, 4812, 4902}, {5570, 5074, 5796},
        {6943, 6295, 6771}, {7533, 8127, 7990}, {595, 1228, 1570}, {3430, 2189, 3033},
        {4400, 4731, 4739}, {5651, 4993, 5877}, {6376, 6862, 6934}, {8046, 7615, 7909},
    };
    const int32_t allpassDistances[12][3] = {
        {653, 462, 78},  {644, 456, 87},  {741, 524, 79},  {707, 500, 96},  {887, 627, 106}, {853, 603, 115},
        {619, 438, 74},  {610, 432, 83},  {657, 464, 70},  {623, 441, 84},  {972, 687, 116}, {938, 663, 127},
    };
    const auto rig = preparedRig(kAmbience, {});
    for (int g = 0; g < 12; ++g)
    {
        for (int t = 0; t < 3; ++t)
        {
            EXPECT_EQ(rig->engine.ambience.groupTaps[g].distance(t, rig->engine.ringPos),
                      groupDistances[g][t])
                << "group " << g << " tap " << t;
            EXPECT_EQ(rig->engine.ambience.allpassTaps[g].distance(t, rig->engine.ringPos),
                      allpassDistances[g][t])
                << "group " << g << " stage " << t;
        }
    }
}

TEST(Ambience, TapDistancesScaleWithTheInternalRate)
{
    ProbeSettings settings;
    settings.hostRate = 48000.0f;
    const auto at48k = preparedRig(kAmbience, settings);
    const int32_t l1[3] = {1390, 640, 1797};
    for (int t = 0; t < 3; ++t)
        EXPECT_EQ(at48k->engine.ambience.groupTaps[kL1].distance(t, at48k->engine.ringPos), l1[t]);

    // 96 kHz runs at 48 kHz inside: the same taps.
    settings.hostRate = 96000.0f;
    const auto at96k = preparedRig(kAmbience, settings);
    for (int t = 0; t < 3; ++t)
        EXPECT_EQ(at96k->engine.ambience.groupTaps[kL1].distance(t, at96k->engine.ringPos), l1[t]);
}

TEST(Ambience, KeepsItsWritePositionOnSixteenBits)
{
    auto rig = preparedRig(kAmbience, {});
    rig->engine.ringPos = 40000;
    rig->engine.needsPrepare = 1;
    prepareAlgorithm(*rig, kAmbience);
    EXPECT_EQ(rig->engine.ringPos, 40000);
    EXPECT_EQ(rig->engine.ambience.groupTaps[kL1].distance(0, 40000), 1277);
    EXPECT_EQ(rig->engine.ambience.allpassTaps[kL1].distance(0, 40000), 653);

    // The position runs past 16383 and wraps at 65536; the distances stay.
    const std::vector<float> in(30000, 0.0f);
    runAlgorithm(*rig, kAmbience, in, in);
    EXPECT_EQ(rig->engine.ringPos, (40000 + 30000) & kLongRingMask);
    EXPECT_EQ(rig->engine.ambience.groupTaps[kL1].distance(0, rig->engine.ringPos), 1277);
    EXPECT_EQ(rig->engine.ambience.allpassTaps[kL1].distance(0, rig->engine.ringPos), 653);

    // The next type's prepare brings it back to 14 bits.
    rig->engine.ringPos = 40000;
    rig->engine.needsPrepare = 1;
    prepareAlgorithm(*rig, kRoom);
    EXPECT_EQ(rig->engine.ringPos, 40000 & kShortRingMask);
}

TEST(Ambience, ImpulseArrivals)
{
    // Both inputs: the left output first hears L1's second tap (588), the
    // right output R1's first tap (595), each through its three allpasses.
    const WetPair both = impulseResponse(kAmbience, {}, true, true, 2000);
    EXPECT_EQ(firstAbove(both.left), 588);
    EXPECT_EQ(firstAbove(both.right), 595);
    // The left input alone reaches the right output through R1's X tap.
    const WetPair left = impulseResponse(kAmbience, {}, true, false, 2000);
    EXPECT_EQ(firstAbove(left.left), 588);
    EXPECT_EQ(firstAbove(left.right), 1570);
}

TEST(Ambience, WithoutDiffusionTheChainsArePureDelays)
{
    ProbeSettings settings;
    settings.diffusion = 0.0f;
    settings.highDamp = 0.0f;
    const WetPair both = impulseResponse(kAmbience, settings, true, true, 12000);
    // L1: 588 + 653 + 462 + 78; R1: 595 + 619 + 438 + 74.
    EXPECT_EQ(firstAbove(both.left), 1781);
    EXPECT_EQ(firstAbove(both.right), 1726);
    EXPECT_NEAR(both.left[1781], 0.25f, 1e-6f); // w0 * 0.25 of a unit impulse
    // No recirculation: the last echo is the longest tap plus its chain
    // (left mix: R6 8046 + 938 + 663 + 127; right mix: L6 7533 + 853 + 603 + 115 or 8127 + 1571).
    EXPECT_EQ(lastAbove(both.left), 9774);
    EXPECT_EQ(lastAbove(both.right), 9698);
}

TEST(Ambience, MatchesTheReferenceKernel)
{
    expectMatchesReference<Ambience, AmbienceReference>(&ReverbEngine::ambience, 44100.0f, kReferenceSettings);
    expectMatchesReference<Ambience, AmbienceReference>(&ReverbEngine::ambience, 96000.0f, kReferenceSettings);
}
