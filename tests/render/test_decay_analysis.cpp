// The analysis maths on synthetic responses whose figures are known by
// construction or by hand: band filters, decay times, the cut-off rule,
// the first arrival and the inter-channel cross-correlation.
#include "DecayAnalysis.h"
#include "OctaveBandFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

namespace
{
constexpr double kRate = 48000.0;

// Signs from a seeded generator: white noise whose energy per sample is
// exactly the envelope's.
std::vector<float> noise(int64_t frames, uint32_t seed, const std::function<double(double)>& energyAt)
{
    std::vector<float> samples(static_cast<size_t>(frames));
    for (int64_t i = 0; i < frames; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        const double sign = (seed >> 31) ? 1.0 : -1.0;
        samples[static_cast<size_t>(i)] = static_cast<float>(sign * std::sqrt(energyAt(i / kRate)));
    }
    return samples;
}

// Energy falling 60 dB in `t60` seconds.
double exponential(double t, double t60)
{
    return std::pow(10.0, -6.0 * t / t60);
}

BandDecay broadbandOf(const std::vector<float>& left, const std::vector<float>& right)
{
    return decayTimes(left.data(), right.data(), static_cast<int64_t>(left.size()), kRate, 0).back();
}

void expectNear(const DecayTime& time, double seconds, double tolerance, const char* what)
{
    EXPECT_EQ(time.kind, DecayTime::Kind::measured) << what;
    EXPECT_NEAR(time.seconds, seconds, seconds * tolerance) << what;
}
} // namespace

TEST(DecayAnalysis, OctaveFiltersAreButterworthBandsAroundTheirCentres)
{
    for (double centre : kOctaveCentres)
    {
        const OctaveBandFilter band(centre, kRate);
        ASSERT_TRUE(band.usable()) << centre;
        auto decibels = [&](double hz) { return 20.0 * std::log10(band.magnitudeAt(hz)); };
        EXPECT_NEAR(decibels(centre), 0.0, 0.05) << centre;
        EXPECT_NEAR(decibels(centre / std::numbers::sqrt2), -3.01, 0.05) << centre;
        EXPECT_NEAR(decibels(centre * std::numbers::sqrt2), -3.01, 0.05) << centre;
        EXPECT_LT(decibels(centre / 4.0), -40.0) << centre;
        if (centre * 4.0 < kRate / 2.0)
        {
            EXPECT_LT(decibels(centre * 4.0), -40.0) << centre;
        }
    }
    EXPECT_FALSE(OctaveBandFilter(8000.0, 20000.0).usable()) << "its upper edge lies above 9 kHz";
}

TEST(DecayAnalysis, ExponentialDecayInEachBandGivesItsT30)
{
    const double t60s[] = {0.3, 0.6, 1.0, 1.5, 2.0, 3.0, 4.0};
    for (size_t b = 0; b < kOctaveCentres.size(); ++b)
    {
        // A tone at the band's centre, 130 dB of decay long.
        const double t60 = t60s[b];
        const auto frames = static_cast<int64_t>(t60 * 130.0 / 60.0 * kRate);
        std::vector<float> tone(static_cast<size_t>(frames));
        for (int64_t i = 0; i < frames; ++i)
            tone[static_cast<size_t>(i)] = static_cast<float>(
                std::sqrt(exponential(i / kRate, t60)) * std::sin(2.0 * std::numbers::pi * kOctaveCentres[b] * i / kRate));
        const std::vector<BandDecay> bands = decayTimes(tone.data(), tone.data(), frames, kRate, 0);
        ASSERT_EQ(bands.size(), kOctaveCentres.size() + 1);
        const BandDecay& band = bands[b];
        EXPECT_EQ(band.centreHz, kOctaveCentres[b]);
        expectNear(band.t30, t60, 0.02, "T30");
        expectNear(band.t20, t60, 0.02, "T20");
        expectNear(band.edt, t60, 0.02, "EDT");
        expectNear(bands.back().t30, t60, 0.02, "broadband T30");
    }
}

TEST(DecayAnalysis, DoubleSlopeGivesAnEarlyDecayTimeApartFromT30)
{
    // The backward integral falls 120 dB/s (T 0.5 s) to -5 dB, then 30 dB/s
    // (T 2 s). T20 and T30 lie on the late slope: 2 s. EDT's least-squares line
    // over 0..-10 dB runs through -5 dB at 41.67 ms and -10 dB at 208.33 ms:
    // by hand its slope is -39.36 dB/s, so EDT = 60 / 39.36 = 1.524 s.
    const double fast = 120.0;
    const double slow = 30.0;
    const double knee = 5.0 / fast;
    const double ln10 = std::log(10.0);
    auto energy = [&](double t) {
        // Minus the derivative of the integral, so the integral is the two lines.
        if (t < knee)
            return fast * ln10 / 10.0 * std::pow(10.0, -fast * t / 10.0) / kRate;
        return slow * ln10 / 10.0 * std::pow(10.0, (-5.0 - slow * (t - knee)) / 10.0) / kRate;
    };
    const std::vector<float> left = noise(static_cast<int64_t>(3.0 * kRate), 7, energy);
    const std::vector<float> right(left.size(), 0.0f);
    const BandDecay broadband = broadbandOf(left, right);
    expectNear(broadband.edt, 1.524, 0.02, "EDT");
    expectNear(broadband.t20, 2.0, 0.02, "T20");
    expectNear(broadband.t30, 2.0, 0.02, "T30");
}

TEST(DecayAnalysis, ATailCutOffEarlyIsLongerThanNotAShorterDecay)
{
    // T = 6 s cut off after 3 s: only 30 dB of fall. EDT needs 20 dB and is
    // measured; T30 would need 45, so its figure is "longer than" the time in
    // which 45 dB would have been reached at the rate seen: 60 * 3 / 45 = 4 s.
    const std::vector<float> left = noise(static_cast<int64_t>(3.0 * kRate), 11, [](double t) {
        return exponential(t, 6.0);
    });
    const BandDecay broadband = broadbandOf(left, left);
    expectNear(broadband.edt, 6.0, 0.02, "EDT");
    EXPECT_EQ(broadband.t30.kind, DecayTime::Kind::longerThan);
    EXPECT_NEAR(broadband.t30.seconds, 4.0, 1e-9);
    EXPECT_EQ(broadband.t20.kind, DecayTime::Kind::longerThan);
    EXPECT_EQ(describe(broadband.t30), "longer than 4.0 s");
}

TEST(DecayAnalysis, FirstArrivalIsTheFirstSampleAboveMinus60dBInEitherChannel)
{
    std::vector<float> left(4000, 0.0f);
    std::vector<float> right(4000, 0.0f);
    left[500] = 0.0005f;  // -66 dB re the peak: too quiet
    right[1234] = -0.01f; // -40 dB, in the right channel only
    left[2000] = 1.0f;
    for (size_t i = 2001; i < left.size(); ++i)
        left[i] = right[i] = 0.3f * std::pow(0.999f, static_cast<float>(i - 2000));
    EXPECT_EQ(firstArrival(left.data(), right.data(), 4000), 1234);
    const std::vector<float> silence(4000, 0.0f);
    EXPECT_EQ(firstArrival(silence.data(), silence.data(), 4000), -1);
}

TEST(DecayAnalysis, CrossCorrelationOfIdenticalShiftedAndIndependentChannels)
{
    const auto frames = static_cast<int64_t>(0.2 * kRate);
    auto decaying = [](double t) { return exponential(t, 1.0); };
    const std::vector<float> left = noise(frames, 3, decaying);
    const std::vector<float> other = noise(frames, 5, decaying);
    EXPECT_NEAR(crossCorrelation(left.data(), left.data(), frames, kRate, 0), 1.0, 1e-9);

    // The right channel inverted and 0.5 ms late: within the lags looked at.
    std::vector<float> late(left.size(), 0.0f);
    for (size_t i = 24; i < late.size(); ++i)
        late[i] = -left[i - 24];
    EXPECT_GT(crossCorrelation(left.data(), late.data(), frames, kRate, 0), 0.97);

    EXPECT_LT(crossCorrelation(left.data(), other.data(), frames, kRate, 0), 0.1);
    const std::vector<float> silence(left.size(), 0.0f);
    EXPECT_TRUE(std::isnan(crossCorrelation(left.data(), silence.data(), frames, kRate, 0)));
}
