// The Room network: its prepared values, its tap distances, which comb taps
// an impulse reaches each output through, and a reference kernel.
#include "AlgorithmProbe.h"
#include "ReferenceKernel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// Distances behind the write position, in samples, at every internal rate.
constexpr int32_t kCombDistances[2][12] = {
    {1158, 1680, 1227, 1780, 1300, 1886, 1377, 1998, 1459, 2117, 1546, 2243},
    {1156, 1683, 1225, 1783, 1298, 1889, 1375, 2001, 1457, 2120, 1543, 2246},
};
constexpr int32_t kEarlyDistances[2][12] = {
    {193, 236, 312, 268, 388, 424, 566, 528, 843, 870, 1293, 1358},
    {193, 236, 312, 266, 390, 423, 567, 525, 846, 867, 1296, 1358},
};
constexpr int32_t kDiffuserDistances[2][4] = {{391, 147, 286, 111}, {375, 162, 292, 105}};

void expectDistances(const ReverbEngine& engine)
{
    const Room& room = engine.room;
    for (int b = 0; b < 2; ++b)
        for (int c = 0; c < 12; ++c)
            EXPECT_EQ(room.combTaps[b].distance(c, engine.ringPos), kCombDistances[b][c])
                << "bank " << b << " comb " << c;
    for (int ch = 0; ch < 2; ++ch)
    {
        for (int t = 0; t < 12; ++t)
            EXPECT_EQ(room.earlyTaps[ch].distance(t, engine.ringPos), kEarlyDistances[ch][t])
                << "channel " << ch << " early tap " << t;
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(room.diffusers[ch].taps.distance(s, engine.ringPos),
                      kDiffuserDistances[ch][s])
                << "channel " << ch << " stage " << s;
    }
}

// The network as described, on the distances above.
class RoomReference
{
public:
    void prepare(const ReferenceSettings& s, double rate)
    {
        input.prepare(s, rate);
        const auto c = static_cast<float>(std::pow(4.0, 0.445) * 0.5);
        gain = static_cast<float>(std::pow(std::pow(1.0195, std::sqrt(static_cast<double>(s.decay))) / 1.0205, c * 32));
        apGain = static_cast<float>(s.diffusion * 0.7);
        damp = referenceDamping(s.highDamp);
    }

    void sample(float inL, float inR, float& outL, float& outR)
    {
        float t[2];
        input.next(inL, inR, t[0], t[1]);
        // Bank A: tL for A1, A2, A5, A6, A9, A10; bank B the other channel.
        for (int bank = 0; bank < 2; ++bank)
        {
            float d[12];
            for (int c = 0; c < 12; ++c)
                d[c] = state[bank][c] = (comb[bank][c].at(n, kCombDistances[bank][c]) - state[bank][c]) * damp +
                                        input.noise + state[bank][c];
            for (int c = 0; c < 12; ++c)
                comb[bank][c].put(n, gain * d[c] + t[((c / 2) & 1) ^ bank]);
        }
        // Left taps on A1, B2, A3, ..., right taps on B1, A2, B3, ...
        float* out[2] = {&outL, &outR};
        for (int ch = 0; ch < 2; ++ch)
        {
            float sum = comb[ch][0].at(n, kEarlyDistances[ch][0]);
            for (int t = 1; t < 12; ++t)
                sum = sum + comb[(t & 1) ^ ch][t].at(n, kEarlyDistances[ch][t]);
            const auto x = static_cast<float>(0.14875 * sum);
            *out[ch] = referenceLattice(diffuser[ch], kDiffuserDistances[ch], n, apGain, x);
        }
        ++n;
    }

private:
    ReferenceInput input;
    ReferenceRing comb[2][12];
    ReferenceRing diffuser[2][4];
    float state[2][12] = {};
    float gain = 0.0f;
    float apGain = 0.0f;
    float damp = 0.0f;
    int64_t n = 0;
};

ProbeSettings plainDelays()
{
    ProbeSettings settings;
    settings.diffusion = 0.0f;
    settings.highDamp = 0.0f;
    return settings;
}
} // namespace

TEST(Room, PreparedValues)
{
    const auto rig = preparedRig(kRoom, {});
    EXPECT_FLOAT_EQ(rig->engine.room.sizeFactor, 0.92658806f);
    EXPECT_EQ(rig->engine.room.msUnit, 40.862534f);
    EXPECT_FLOAT_EQ(rig->engine.room.apGain, 0.7f);
    EXPECT_FLOAT_EQ(rig->engine.room.dampCoef, 0.92f);

    ProbeSettings settings;
    settings.decay = 0.0f;
    settings.highDamp = 0.0f;
    const auto low = preparedRig(kRoom, settings);
    EXPECT_NEAR(low->engine.room.combGain, 0.548f, 5e-4f);
    EXPECT_EQ(low->engine.room.dampCoef, 1.0f);

    settings.decay = 0.5f;
    const auto half = preparedRig(kRoom, settings);
    // (1.0195^sqrt(0.5) / 1.0205)^(32 c)
    EXPECT_NEAR(half->engine.room.combGain, 0.821365f, 1e-6f);

    settings.decay = 1.0f;
    settings.highDamp = 1.0f;
    const auto high = preparedRig(kRoom, settings);
    EXPECT_NEAR(high->engine.room.combGain, 0.971f, 5e-4f);
    EXPECT_LT(high->engine.room.combGain, 1.0f);
    EXPECT_FLOAT_EQ(high->engine.room.dampCoef, 0.2f);
}

TEST(Room, TapDistancesDoNotFollowTheInternalRate)
{
    checkAtHostRates(kRoom, {44100.0f, 48000.0f, 96000.0f}, expectDistances);
}

TEST(Room, ImpulseArrivals)
{
    // Left input: the left output hears the early tap on A1 first, the right
    // output the tap on A2.
    const WetPair left = impulseResponse(kRoom, {}, true, false, 1500);
    EXPECT_EQ(firstAbove(left.left), 193);
    EXPECT_EQ(firstAbove(left.right), 236);
    // Right input: B1 (193) on the right, B2 (236) on the left.
    const WetPair right = impulseResponse(kRoom, {}, false, true, 1500);
    EXPECT_EQ(firstAbove(right.right), 193);
    EXPECT_EQ(firstAbove(right.left), 236);
}

TEST(Room, WithoutDiffusionTheDiffusersArePureDelays)
{
    // 391 + 147 + 286 + 111 = 935 on the left, 375 + 162 + 292 + 105 = 934 on the right.
    const WetPair left = impulseResponse(kRoom, plainDelays(), true, false, 2500);
    EXPECT_EQ(firstAbove(left.left), 193 + 935);
    EXPECT_EQ(firstAbove(left.right), 236 + 934);
}

TEST(Room, LeftInputFeedsSixEarlyTapsOfEachOutput)
{
    // Before any comb recirculates (A1 after 1158 + 193 samples), each output
    // holds one echo of 0.14875 per early tap fed by the left input.
    const WetPair left = impulseResponse(kRoom, plainDelays(), true, false, 2300);
    const int32_t fedLeft[6] = {193, 268, 388, 528, 843, 1358};  // A1, B4, A5, B8, A9, B12
    const int32_t notFedLeft[6] = {236, 312, 424, 566, 870, 1293}; // B2, A3, B6, A7, B10, A11
    const int32_t fedRight[6] = {236, 312, 423, 567, 867, 1296};   // A2, B3, A6, B7, A10, B11
    const int32_t notFedRight[6] = {193, 266, 390, 525, 846};      // B1, A4, B5, A8, B9
    for (int32_t d : fedLeft)
        EXPECT_NEAR(left.left[static_cast<size_t>(d + 935)], 0.14875f, 1e-5f) << d;
    for (int32_t d : notFedLeft)
        EXPECT_NEAR(left.left[static_cast<size_t>(d + 935)], 0.0f, 1e-6f) << d;
    for (int32_t d : fedRight)
        EXPECT_NEAR(left.right[static_cast<size_t>(d + 934)], 0.14875f, 1e-5f) << d;
    for (int32_t d : notFedRight)
        EXPECT_NEAR(left.right[static_cast<size_t>(d + 934)], 0.0f, 1e-6f) << d;
}

TEST(Room, MatchesTheReferenceKernel)
{
    expectMatchesReference<Room, RoomReference>(&ReverbEngine::room, 44100.0f, kReferenceSettings);
    expectMatchesReference<Room, RoomReference>(&ReverbEngine::room, 48000.0f, kReferenceSettings);
}
