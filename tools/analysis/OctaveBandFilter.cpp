#include "OctaveBandFilter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace
{
using Complex = std::complex<double>;

// The analogue frequency (rad/s) the bilinear transform maps to `hz`.
double prewarped(double hz, double rate)
{
    return 2.0 * rate * std::tan(std::numbers::pi * hz / rate);
}

// A band is measured only while its upper edge stays below this fraction of
// the sample rate (the bilinear transform squeezes the response near half).
constexpr double kHighestEdge = 0.45;
} // namespace

OctaveBandFilter::OctaveBandFilter(double centreHz, double sampleRate) : rate(sampleRate)
{
    const double lowerEdge = centreHz / std::numbers::sqrt2;
    const double upperEdge = centreHz * std::numbers::sqrt2;
    fitsRate = upperEdge < kHighestEdge * rate;
    const double w1 = prewarped(lowerEdge, rate);
    const double w2 = prewarped(std::min(upperEdge, kHighestEdge * rate), rate);
    const double width = w2 - w1;
    const double centreSquared = w1 * w2;

    // Third-order Butterworth prototype poles at angles 120, 180 and 240
    // degrees; the band transform s -> (s^2 + w0^2) / (B s) gives each of the
    // two upper ones a pair of band poles, and their conjugates the rest.
    const Complex prototypes[2] = {std::polar(1.0, 2.0 * std::numbers::pi / 3.0), Complex(-1.0, 0.0)};
    Complex analoguePoles[3];
    for (int k = 0; k < 2; ++k)
    {
        const Complex pb = prototypes[k] * width;
        const Complex root = std::sqrt(pb * pb - 4.0 * centreSquared);
        analoguePoles[k] = (pb + root) * 0.5;
        if (k == 0)
            analoguePoles[2] = (pb - root) * 0.5;
    }
    for (size_t k = 0; k < sections.size(); ++k)
    {
        const Complex z = (2.0 * rate + analoguePoles[k]) / (2.0 * rate - analoguePoles[k]);
        sections[k].a1 = -2.0 * z.real();
        sections[k].a2 = std::norm(z);
    }
    gain = 1.0;
    const double centreDigital = std::atan(std::sqrt(centreSquared) / (2.0 * rate)) * rate / std::numbers::pi;
    gain = 1.0 / magnitudeAt(centreDigital);
}

double OctaveBandFilter::magnitudeAt(double hz) const
{
    const Complex zInverse = std::polar(1.0, -2.0 * std::numbers::pi * hz / rate);
    Complex response = gain;
    for (const Section& s : sections)
        response *= (1.0 - zInverse * zInverse) / (1.0 + s.a1 * zInverse + s.a2 * zInverse * zInverse);
    return std::abs(response);
}

void OctaveBandFilter::reset()
{
    for (Section& s : sections)
        s.s1 = s.s2 = 0.0;
}

std::vector<double> OctaveBandFilter::filterBackwards(const float* samples, int64_t count)
{
    reset();
    std::vector<double> out(static_cast<size_t>(std::max<int64_t>(count, 0)));
    for (int64_t i = count - 1; i >= 0; --i)
        out[static_cast<size_t>(i)] = process(samples[i]);
    return out;
}
