// The signal-processing elements against their defining numbers and analytic
// responses.
#include "Biquad.h"
#include "DspElements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(NoiseSource, FirstValueFollowsFromTheStartingRegisters)
{
    NoiseSource noise;
    const float first = noise.next();
    // Worked out by hand from 592, 153768 and 1526.
    EXPECT_EQ(noise.s1, 4849673u);
    EXPECT_EQ(noise.s2, 2323645853u);
    EXPECT_EQ(noise.s3, 200015877u);
    EXPECT_EQ(first, 8.97283150558259e-11f);

    for (int i = 0; i < 100000; ++i)
    {
        const float value = noise.next();
        ASSERT_GE(value, -1e-8f);
        ASSERT_LT(value, 1e-8f);
    }
}

TEST(TapJitter, SequenceFromTheSeedAndReseeding)
{
    TapJitter jitter;
    const int32_t expected[] = {5472, 9785, 3381, 9820};
    for (int32_t value : expected)
        EXPECT_EQ(jitter.next(), value);
    jitter.seed();
    EXPECT_EQ(jitter.next(), 5472);
}

TEST(DelayRing, TapsReadTheSampleWrittenCeilLengthEarlier)
{
    std::vector<float> ring(kShortRingSize, 0.0f);
    int32_t writePos = 16380; // near the end, so the ring wraps during the run
    struct Case
    {
        double length;
        int32_t delay;
    };
    const Case cases[] = {{0.0, 16384}, {1.0, 1}, {10.5, 11}, {881.8016, 882}, {16383.0, 16383}};
    int32_t taps[5] = {};
    for (int c = 0; c < 5; ++c)
        taps[c] = placeTap(writePos, cases[c].length);

    // Write the sample counter, reading every tap before the write.
    for (int32_t n = 0; n < 40000; ++n)
    {
        for (int c = 0; c < 5; ++c)
        {
            const float read = ring[static_cast<size_t>(taps[c])];
            if (n >= cases[c].delay)
            {
                ASSERT_EQ(read, static_cast<float>(n - cases[c].delay)) << cases[c].length;
            }
            taps[c] = advanceTap(taps[c]);
        }
        ring[static_cast<size_t>(writePos)] = static_cast<float>(n);
        writePos = advanceTap(writePos);
    }
}

TEST(DelayRing, LongTapsUseSixteenBitPositions)
{
    EXPECT_EQ(placeLongTap(100, 1277.0), 65536 + 100 - 1277);
    EXPECT_EQ(placeLongTap(100, 1276.2), 65536 + 100 - 1277);
    EXPECT_EQ(placeLongTap(65535, 0.0), 65535);
    EXPECT_EQ(advanceLongTap(65535), 0);
    EXPECT_EQ(placeTap(20000 & kShortRingMask, 588.0), (20000 - 588) & kShortRingMask);
}

TEST(OnePoleFilters, PoleFallsToTheStatedLevelAfterOnePeriod)
{
    const double rate = 48000.0;
    const double c = poleFor(100.0, rate);
    EXPECT_NEAR(std::pow(c, rate / 100.0), 0.005, 1e-12);

    // The lowpass's impulse response after 480 samples (1/f) is 0.005 of its start.
    OnePoleLowpass lowpass;
    const float first = lowpass.process(1.0f, static_cast<float>(c));
    float last = first;
    for (int i = 0; i < 480; ++i)
        last = lowpass.process(0.0f, static_cast<float>(c));
    EXPECT_NEAR(last / first, 0.005, 1e-4);

    // The highpass removes a constant.
    OnePoleHighpass highpass;
    float out = 0.0f;
    for (int i = 0; i < 20000; ++i)
        out = highpass.process(1.0f, static_cast<float>(poleFor(20.0, rate)));
    EXPECT_LT(std::fabs(out), 1e-6f);
}

TEST(Shelves, UnityGainPassesTheSignalPlusNoise)
{
    ToneStage tone;
    const float lpCoef = static_cast<float>(poleFor(1000.0, 44100.0));
    const float hpCoef = static_cast<float>(poleFor(500.0, 44100.0));
    const float noise = 5e-9f;
    for (int i = 0; i < 2000; ++i)
    {
        const float x = std::sin(static_cast<float>(i) * 0.05f) + 0.3f * std::sin(static_cast<float>(i) * 1.3f);
        const float y = tone.process(x, lpCoef, 1.0f, hpCoef, 1.0f, noise);
        ASSERT_NEAR(y, x + 2.0f * noise, 1e-6f) << i;
    }

    // Gain 0 on the high shelf leaves only its lowpass part: a high tone nearly vanishes.
    HighShelf high;
    float peak = 0.0f;
    for (int i = 0; i < 4000; ++i)
    {
        const float y = high.process(i % 2 ? 1.0f : -1.0f, lpCoef, 0.0f, 0.0f);
        if (i > 2000)
            peak = std::max(peak, std::fabs(y));
    }
    EXPECT_LT(peak, 0.1f);
}

TEST(DampingLowpass, CoefficientOnePassesTheInputPlusNoise)
{
    DampingLowpass damping;
    EXPECT_EQ(damping.process(0.75f, 1.0f, 0.0f), 0.75f);
    EXPECT_EQ(damping.process(-0.5f, 1.0f, 0.0f), -0.5f);
    // A coefficient of 0.2 moves a fifth of the way.
    DampingLowpass slow;
    EXPECT_FLOAT_EQ(slow.process(1.0f, 0.2f, 0.0f), 0.2f);
}

namespace
{
// Impulse response of an allpass form over `length` samples on a cleared ring.
template <typename Step>
std::vector<float> impulseResponse(Step step, int32_t delay, int32_t length)
{
    std::vector<float> ring(kShortRingSize, 0.0f);
    int32_t writePos = 0;
    int32_t tap = placeTap(writePos, delay);
    std::vector<float> out;
    for (int32_t n = 0; n < length; ++n)
    {
        out.push_back(step(ring.data(), tap, writePos, n == 0 ? 1.0f : 0.0f));
        writePos = advanceTap(writePos);
        tap = advanceTap(tap);
    }
    return out;
}
} // namespace

TEST(Allpasses, FormsShareTheResponseAndPassAllEnergy)
{
    const float g = 0.6f;
    const auto schroeder = impulseResponse(
        [g](float* r, int32_t t, int32_t w, float x) { return allpass(r, t, w, g, x); }, 7, 2000);
    const auto lattice = impulseResponse(
        [g](float* r, int32_t t, int32_t w, float x) { return latticeAllpass(r, t, w, g, x); }, 7, 2000);
    const auto inverting = impulseResponse(
        [g](float* r, int32_t t, int32_t w, float x) { return invertingAllpass(r, t, w, g, x); }, 7, 2000);

    EXPECT_FLOAT_EQ(schroeder[0], -g);
    EXPECT_FLOAT_EQ(schroeder[7], 1.0f - g * g);
    EXPECT_FLOAT_EQ(inverting[0], g);
    double energy[3] = {};
    for (size_t n = 0; n < schroeder.size(); ++n)
    {
        EXPECT_NEAR(schroeder[n], lattice[n], 1e-6f) << n;
        energy[0] += static_cast<double>(schroeder[n]) * schroeder[n];
        energy[1] += static_cast<double>(lattice[n]) * lattice[n];
        energy[2] += static_cast<double>(inverting[n]) * inverting[n];
    }
    for (double e : energy)
        EXPECT_NEAR(e, 1.0, 1e-5);

    // g = 0: a pure delay; the inverting form negates.
    const auto delay = impulseResponse(
        [](float* r, int32_t t, int32_t w, float x) { return invertingAllpass(r, t, w, 0.0f, x); }, 94, 200);
    for (size_t n = 0; n < delay.size(); ++n)
        EXPECT_EQ(delay[n], n == 94 ? -1.0f : 0.0f) << n;
}

TEST(EnvelopeFollower, RisesFastAndFallsSlowly)
{
    const double rate = 44100.0;
    EnvelopeFollower follower;
    follower.attack = static_cast<float>(poleFor(1000.0, rate));
    follower.release = static_cast<float>(poleFor(10.0, rate));
    // Within 0.005 of a step after 1 ms (44.1 samples; 45 with the first sample).
    for (int i = 0; i < 45; ++i)
        follower.process(1.0f);
    EXPECT_GT(follower.env, 0.995f);
    // Back to 0.005 of the step only after 100 ms.
    for (int i = 0; i < 4400; ++i)
        follower.process(0.0f);
    EXPECT_GT(follower.env, 0.005f);
    for (int i = 0; i < 20; ++i)
        follower.process(0.0f);
    EXPECT_LT(follower.env, 0.005f);
}

TEST(Biquad, HighpassAtFiveHertzRemovesDc)
{
    Biquad blocker(44100.0, Biquad::kHighpass, 5.0, 0.5, 0.0);
    double y = 0.0;
    double peak = 0.0;
    for (int i = 0; i < 44100 * 2; ++i)
    {
        y = blocker.process(1.0);
        peak = std::max(peak, y);
    }
    EXPECT_GT(peak, 0.99); // the step passes at first
    EXPECT_LT(std::fabs(y), 1e-3);
    for (int i = 0; i < 44100 * 4; ++i)
        y = blocker.process(1.0);
    EXPECT_LT(std::fabs(y), 1e-8);

    // A tone well above the corner passes at unity gain.
    blocker.setRate(48000.0);
    double tonePeak = 0.0;
    for (int i = 0; i < 48000; ++i)
    {
        const double out = blocker.process(std::sin(2.0 * 3.141592653589793 * 1000.0 * i / 48000.0));
        if (i > 24000)
            tonePeak = std::max(tonePeak, std::fabs(out));
    }
    EXPECT_NEAR(tonePeak, 1.0, 1e-3);
}

TEST(Biquad, AllpassKeepsEnergyAndAlternatingOffsetStaysTiny)
{
    Biquad allpassFilter(48000.0, Biquad::kAllpass, 1600.0, 1.2, 24.0);
    double energy = 0.0;
    for (int i = 0; i < 48000; ++i)
    {
        const double y = allpassFilter.process(i == 0 ? 1.0 : 0.0);
        energy += y * y;
    }
    EXPECT_NEAR(energy, 1.0, 1e-9);
    // With silence in, only the +-1e-14 offset circulates.
    for (int i = 0; i < 1000; ++i)
        EXPECT_LT(std::fabs(allpassFilter.process(0.0)), 1e-12);

    // setRate clears the state; recompute keeps it.
    Biquad a(44100.0, Biquad::kAllpass, 100.0, 0.3, 24.0);
    Biquad b(44100.0, Biquad::kAllpass, 100.0, 0.3, 24.0);
    a.process(1.0);
    b.process(1.0);
    a.recompute();
    b.setRate(44100.0);
    EXPECT_NE(a.process(0.0), b.process(0.0));
}
