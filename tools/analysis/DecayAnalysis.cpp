#include "DecayAnalysis.h"

#include "OctaveBandFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace
{
// The smoothed envelope for the cut-off rule: energy in windows of this
// length. Its level at the end is read this long before the last sample, past
// the build-up of the backwards-running band filters there.
constexpr double kEnvelopeWindowSeconds = 0.020;
constexpr double kEnvelopeEndGuardSeconds = 0.050;

double decibelsOf(double ratio)
{
    return ratio > 0.0 ? 10.0 * std::log10(ratio) : -std::numeric_limits<double>::infinity();
}

// How far the smoothed envelope has fallen from its loudest window to its
// window at the end, in dB.
double envelopeFall(const std::vector<double>& energy, int64_t start, double rate)
{
    const auto n = static_cast<int64_t>(energy.size());
    const int64_t length = n - start;
    const int64_t window = std::clamp<int64_t>(std::llround(kEnvelopeWindowSeconds * rate), 1, length);
    double loudest = 0.0;
    for (int64_t at = start; at + window <= n; at += window)
    {
        double sum = 0.0;
        for (int64_t i = at; i < at + window; ++i)
            sum += energy[static_cast<size_t>(i)];
        loudest = std::max(loudest, sum);
    }
    const int64_t guard = std::min<int64_t>(std::llround(kEnvelopeEndGuardSeconds * rate), length - window);
    double last = 0.0;
    for (int64_t i = n - guard - window; i < n - guard; ++i)
        last += energy[static_cast<size_t>(i)];
    if (!(loudest > 0.0))
        return 0.0;
    return last > 0.0 ? 10.0 * std::log10(loudest / last) : std::numeric_limits<double>::infinity();
}

// The least-squares line through the decay curve between the first points at
// or below the range's start and end; the time to fall 60 dB along it.
DecayTime lineFit(const std::vector<double>& integral, double rate, const DecayRange& range)
{
    const double total = integral.front();
    const double startLevel = total * std::pow(10.0, range.startDecibels / 10.0);
    const double endLevel = total * std::pow(10.0, range.endDecibels / 10.0);
    const auto first = std::find_if(integral.begin(), integral.end(), [&](double e) { return e <= startLevel; });
    const auto last = std::find_if(first, integral.end(), [&](double e) { return e <= endLevel; });
    if (first == integral.end())
        return {};
    const auto from = static_cast<size_t>(first - integral.begin());
    const auto to = static_cast<size_t>(last - integral.begin());
    const double span = range.startDecibels - range.endDecibels;
    if (to < from + 2)
        return {DecayTime::Kind::measured, 60.0 / span * static_cast<double>(std::max<size_t>(to - from, 1)) / rate};
    const double count = static_cast<double>(to - from);
    const double meanX = (static_cast<double>(from + to - 1) / 2.0) / rate;
    double meanY = 0.0;
    for (size_t i = from; i < to; ++i)
        meanY += decibelsOf(integral[i] / total);
    meanY /= count;
    double sxy = 0.0;
    double sxx = 0.0;
    for (size_t i = from; i < to; ++i)
    {
        const double x = static_cast<double>(i) / rate - meanX;
        sxy += x * (decibelsOf(integral[i] / total) - meanY);
        sxx += x * x;
    }
    const double slope = sxy / sxx; // dB per second
    if (!(slope < 0.0))
        return {};
    return {DecayTime::Kind::measured, -60.0 / slope};
}

BandDecay decayOf(const std::vector<double>& energy, double rate, int64_t start, double centreHz)
{
    BandDecay band;
    band.centreHz = centreHz;
    const auto n = static_cast<int64_t>(energy.size());
    if (start < 0 || start >= n)
        return band;
    std::vector<double> integral(static_cast<size_t>(n - start));
    double sum = 0.0;
    for (int64_t i = n - 1; i >= start; --i)
    {
        sum += energy[static_cast<size_t>(i)];
        integral[static_cast<size_t>(i - start)] = sum;
    }
    if (!(sum > 0.0))
        return band;

    const double fall = envelopeFall(energy, start, rate);
    const double seconds = static_cast<double>(n - start) / rate;
    auto figure = [&](const DecayRange& range) {
        const double needed = -range.endDecibels + kCutOffMarginDecibels;
        if (fall < needed)
            return DecayTime{DecayTime::Kind::longerThan, 60.0 * seconds / needed};
        return lineFit(integral, rate, range);
    };
    band.edt = figure(kEdtRange);
    band.t20 = figure(kT20Range);
    band.t30 = figure(kT30Range);

    const auto points = static_cast<int64_t>(std::ceil(static_cast<double>(n) / (kCurveStepSeconds * rate)));
    band.curve.reserve(static_cast<size_t>(points));
    for (int64_t k = 0; k < points; ++k)
    {
        const int64_t i = std::llround(static_cast<double>(k) * kCurveStepSeconds * rate);
        band.curve.push_back(i < start ? 0.0f
                                       : static_cast<float>(decibelsOf(integral[static_cast<size_t>(i - start)] / sum)));
    }
    return band;
}
} // namespace

std::string describe(const DecayTime& time)
{
    char text[48] = {};
    switch (time.kind)
    {
    case DecayTime::Kind::measured:
        std::snprintf(text, sizeof(text), "%.2f s", time.seconds);
        break;
    case DecayTime::Kind::longerThan:
        std::snprintf(text, sizeof(text), "longer than %.1f s", time.seconds);
        break;
    case DecayTime::Kind::unavailable:
        return "n/a";
    }
    return text;
}

int64_t firstArrival(const float* left, const float* right, int64_t frames)
{
    float peak = 0.0f;
    for (int64_t i = 0; i < frames; ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    if (!(peak > 0.0f))
        return -1;
    const double threshold = peak * std::pow(10.0, kArrivalDecibels / 20.0);
    for (int64_t i = 0; i < frames; ++i)
        if (std::fabs(left[i]) > threshold || std::fabs(right[i]) > threshold)
            return i;
    return -1;
}

double crossCorrelation(const float* left, const float* right, int64_t frames, double sampleRate, int64_t start)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (start < 0 || start >= frames)
        return nan;
    const int64_t end = std::min<int64_t>(frames, start + std::llround(kCorrelationSeconds * sampleRate));
    const int64_t maxLag = std::llround(kCorrelationLagSeconds * sampleRate);
    double energyLeft = 0.0;
    double energyRight = 0.0;
    for (int64_t i = start; i < end; ++i)
    {
        energyLeft += static_cast<double>(left[i]) * left[i];
        energyRight += static_cast<double>(right[i]) * right[i];
    }
    if (!(energyLeft > 0.0) || !(energyRight > 0.0))
        return nan;
    double largest = 0.0;
    for (int64_t lag = -maxLag; lag <= maxLag; ++lag)
    {
        double sum = 0.0;
        for (int64_t i = std::max(start, -lag); i < end && i + lag < frames; ++i)
            sum += static_cast<double>(left[i]) * right[i + lag];
        largest = std::max(largest, std::fabs(sum));
    }
    return largest / std::sqrt(energyLeft * energyRight);
}

std::vector<BandDecay> decayTimes(const float* left, const float* right, int64_t frames, double sampleRate,
                                  int64_t start)
{
    std::vector<BandDecay> bands;
    std::vector<double> energy(static_cast<size_t>(std::max<int64_t>(frames, 0)));
    for (double centre : kOctaveCentres)
    {
        OctaveBandFilter filter(centre, sampleRate);
        if (!filter.usable())
        {
            bands.push_back({centre, {}, {}, {}, {}});
            continue;
        }
        const std::vector<double> bandLeft = filter.filterBackwards(left, frames);
        const std::vector<double> bandRight = filter.filterBackwards(right, frames);
        for (size_t i = 0; i < energy.size(); ++i)
            energy[i] = bandLeft[i] * bandLeft[i] + bandRight[i] * bandRight[i];
        bands.push_back(decayOf(energy, sampleRate, start, centre));
    }
    for (size_t i = 0; i < energy.size(); ++i)
        energy[i] = static_cast<double>(left[i]) * left[i] + static_cast<double>(right[i]) * right[i];
    bands.push_back(decayOf(energy, sampleRate, start, 0.0));
    return bands;
}

ResponseFigures analyseResponses(const StereoResponse& both, const StereoResponse& leftOnly, double sampleRate)
{
    ResponseFigures figures;
    figures.sampleRate = sampleRate;
    figures.frames = static_cast<int64_t>(both.left.size());
    figures.firstArrival = firstArrival(both.left.data(), both.right.data(), figures.frames);
    figures.bands = decayTimes(both.left.data(), both.right.data(), figures.frames, sampleRate, figures.firstArrival);
    const auto leftFrames = static_cast<int64_t>(leftOnly.left.size());
    figures.crossCorrelation =
        crossCorrelation(leftOnly.left.data(), leftOnly.right.data(), leftFrames, sampleRate,
                         firstArrival(leftOnly.left.data(), leftOnly.right.data(), leftFrames));
    return figures;
}
