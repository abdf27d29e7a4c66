#include "DisplayUnits.h"

#include "Parameters.h"

#include <cmath>

namespace
{
constexpr DisplayRange kRanges[] = {
    {kPower, DisplayUnit::Switch, 0, 1},
    {kType, DisplayUnit::Type, 0, 8},
    {kPreDelay, DisplayUnit::Milliseconds, 0, 1000},
    {kDecay, DisplayUnit::Percent, 0, 100},
    {kHighDamp, DisplayUnit::Percent, 0, 100},
    {kLowFreq, DisplayUnit::Frequency, 25, 10000},
    {kLowGain, DisplayUnit::Decibels, -200, 6},
    {kHighFreq, DisplayUnit::Frequency, 50, 20000},
    {kHighGain, DisplayUnit::Decibels, -200, 6},
    {kMix, DisplayUnit::Percent, 0, 100},
    {kOutput, DisplayUnit::Decibels, -120, 12},
    {kDiffusion, DisplayUnit::Percent, 0, 100},
};

// Factor of a level in decibels, at 6 dB per doubling like the display.
double gainOfDecibels(double decibels)
{
    return std::pow(10.0, std::log10(2.0) * decibels / 6.0);
}

double unlimited(int32_t index, double t)
{
    switch (index)
    {
    case kPower:
        return t;
    case kType:
        return typeNormalizedValue(static_cast<int32_t>(t));
    case kPreDelay:
        return std::sqrt(t * 0.001);
    case kLowFreq:
        return std::log10(t / 25.0) / std::log10(400.0);
    case kHighFreq:
        return std::log10(t / 50.0) / std::log10(400.0);
    case kLowGain:
    case kHighGain:
        return t >= kSilenceDecibels ? gainOfDecibels(t) * 0.5 : 0.0;
    case kOutput:
        return t >= kSilenceDecibels ? std::sqrt(gainOfDecibels(t) * 0.25) : 0.0;
    default: // percentages
        return t * 0.01;
    }
}
} // namespace

const DisplayRange* displayRange(int32_t index)
{
    for (const DisplayRange& range : kRanges)
        if (range.index == index)
            return &range;
    return nullptr;
}

double normalizedFromDisplay(int32_t index, double t)
{
    // The top of a range can come out a hair above 1 from the logarithms;
    // the host is never sent a value outside 0..1.
    const double x = unlimited(index, t);
    return x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x;
}
