#include "ParameterTable.h"
#include "PortableMath.h"

#include "ValueText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
// Mappings into the engine's values. Each is computed in double; products
// of two floats are exact there, so rounding the result to float gives what
// the same products in float give.
double same(double x)
{
    return x;
}

// Pre-delay in seconds: the square of x, up to one second.
double preDelaySeconds(double x)
{
    return x * x;
}

double lowShelfHz(double x)
{
    return 25.0 * portable::pow(400.0, x);
}

double highShelfHz(double x)
{
    return 50.0 * portable::pow(400.0, x);
}

// Shelf gains: 0.5 is unity.
double shelfGain(double x)
{
    return 2.0 * x;
}

// Output gain: 0.5 is unity, 1 is four times.
double outputGain(double x)
{
    return 4.0 * x * x;
}

// Factor of a level in decibels, at 6 dB per doubling like the display.
double gainOfDecibels(double decibels)
{
    return portable::pow(10.0, portable::log10(2.0) * decibels / 6.0);
}

// The inverse mappings, from display units.
double switchOfDisplay(double t)
{
    return t;
}

double typeOfDisplay(double t)
{
    return typeNormalizedValue(static_cast<int32_t>(t));
}

double preDelayOfMilliseconds(double t)
{
    return std::sqrt(t * 0.001);
}

double fractionOfPercent(double t)
{
    return t * 0.01;
}

double lowShelfOfHz(double t)
{
    return portable::log10(t / 25.0) / portable::log10(400.0);
}

double highShelfOfHz(double t)
{
    return portable::log10(t / 50.0) / portable::log10(400.0);
}

double shelfGainOfDecibels(double t)
{
    return t >= kSilenceDecibels ? gainOfDecibels(t) * 0.5 : 0.0;
}

double outputGainOfDecibels(double t)
{
    return t >= kSilenceDecibels ? std::sqrt(gainOfDecibels(t) * 0.25) : 0.0;
}

// The host's texts, of the engine's float values.
void switchText(float on, char* text)
{
    std::strcpy(text, on != 0.0f ? "On" : "Off");
}

void typeText(float type, char* text)
{
    std::strcpy(text, typeName(static_cast<int32_t>(type)));
}

// x * scale in double precision, shown as a single-precision number.
void scaledText(float x, double scale, const char* unit, char* text)
{
    char number[kValueTextCapacity] = {};
    formatFixed(static_cast<float>(x * scale), 0, number);
    std::snprintf(text, kValueTextCapacity, "%s%s", number, unit);
}

void millisecondsText(float seconds, char* text)
{
    scaledText(seconds, 1000.0, "ms", text);
}

void percentText(float fraction, char* text)
{
    scaledText(fraction, 100.0, "%", text);
}

void mixText(float mix, char* text)
{
    if (mix >= 1.0f)
        std::strcpy(text, "Wet");
    else if (mix <= 0.0f)
        std::strcpy(text, "Dry");
    else
        percentText(mix, text);
}

// The editor fields' texts, of the engine's values in double.
void wholeNumberText(double value, const char* unit, char* text)
{
    char number[kValueTextCapacity] = {};
    formatFixed(value, 0, number);
    std::snprintf(text, kValueTextCapacity, "%s%s", number, unit);
}

void millisecondsField(double seconds, char* text)
{
    wholeNumberText(seconds * 1000.0, "ms", text);
}

void percentField(double fraction, char* text)
{
    wholeNumberText(fraction * 100.0, "%", text);
}

void frequencyField(double hz, char* text)
{
    formatFrequency(static_cast<float>(hz), text);
}

double decibelsOfGain(double gain)
{
    return 6.0 * std::log10(gain) / std::log10(2.0);
}

void twoDecimalsText(double decibels, char* text)
{
    char number[kValueTextCapacity] = {};
    formatFixed(decibels, 2, number);
    std::snprintf(text, kValueTextCapacity, "%sdB", number);
}

void shelfGainField(double gain, char* text)
{
    if (gain < 0.0000001)
        std::strcpy(text, "-oodB");
    else
        twoDecimalsText(decibelsOfGain(gain), text);
}

void outputGainField(double gain, char* text)
{
    const double decibels = decibelsOfGain(gain);
    if (decibels < -100.0)
        std::strcpy(text, "-oo dB");
    else
        twoDecimalsText(decibels, text);
}

using H = ParameterHandOver;
using U = DisplayUnit;

constexpr ParameterInfo kNoRow = {"", "", 0.0f, 0.0f, U::None, 0, 0, nullptr, nullptr, nullptr, nullptr, {}, nullptr, 0};

// clang-format off
const ParameterInfo kParameterTable[kNumParameterSlots] = {
    {"Power", "power", 1.0f, 1.0f, U::Switch, 0, 1,
     nullptr, switchOfDisplay, switchText, nullptr, {{"On", 1.0}, {"Off", 0.0}}, nullptr, kPowerChanged},
    {"Type", "type", 0.01f, 0.5f, U::Type, 0, 8,
     nullptr, typeOfDisplay, typeText, nullptr, {}, nullptr, kTypeChanged},
    {"PreDely", "pre_delay", 0.0f, 0.0f, U::Milliseconds, 0, 1000,
     preDelaySeconds, preDelayOfMilliseconds, millisecondsText, millisecondsField, {}, &H::preDelayTime, kPreDelayChanged},
    {"Decay", "decay", 0.5f, 0.5f, U::Percent, 0, 100,
     same, fractionOfPercent, percentText, percentField, {}, &H::decay, kDecayChanged},
    {"HighDamp", "high_damp", 0.1f, 0.2f, U::Percent, 0, 100,
     same, fractionOfPercent, percentText, percentField, {}, &H::highDamp, kHighDampChanged},
    {"LowFreq", "low_freq", 0.5f, 0.25f, U::Frequency, 25, 10000,
     lowShelfHz, lowShelfOfHz, formatFrequency, frequencyField, {}, &H::lowFreqHz, kLowFreqChanged},
    {"LowGain", "low_gain", 0.5f, 0.5f, U::Decibels, -200, 6,
     shelfGain, shelfGainOfDecibels, formatDecibels, shelfGainField, {{"-oo", 0.0}, {"-inf", 0.0}}, &H::lowGain, kLowGainChanged},
    {"HighFreq", "high_freq", 0.5f, 0.5f, U::Frequency, 50, 20000,
     highShelfHz, highShelfOfHz, formatFrequency, frequencyField, {}, &H::highFreqHz, kHighFreqChanged},
    {"HighGain", "high_gain", 0.5f, 0.5f, U::Decibels, -200, 6,
     shelfGain, shelfGainOfDecibels, formatDecibels, shelfGainField, {{"-oo", 0.0}, {"-inf", 0.0}}, &H::highGain, kHighGainChanged},
    {"Mix", "mix", 0.5f, 0.5f, U::Percent, 0, 100,
     same, fractionOfPercent, mixText, percentField, {{"Wet", 1.0}, {"Dry", 0.0}}, &H::mix, kMixChanged},
    {"Output", "output", 0.5f, 0.5f, U::Decibels, -120, 12,
     outputGain, outputGainOfDecibels, formatDecibels, outputGainField, {{"-oo", 0.0}, {"-inf", 0.0}}, &H::outputGain, kOutputGainChanged},
    kNoRow, kNoRow, kNoRow, kNoRow, kNoRow, kNoRow,
    {"Diffusion", "", 1.0f, 1.0f, U::Percent, 0, 100,
     same, fractionOfPercent, percentText, nullptr, {}, &H::diffusion, kDiffusionChanged},
};
// clang-format on
} // namespace

const ParameterInfo& parameterInfo(int32_t index)
{
    return index >= 0 && index < kNumParameterSlots ? kParameterTable[index] : kNoRow;
}

bool isParameter(int32_t index)
{
    return parameterInfo(index).unit != DisplayUnit::None;
}

float typeNormalizedValue(int32_t type)
{
    const float ninth = static_cast<float>(type) / 9.0f;
    return static_cast<float>(static_cast<double>(ninth) + 0.01);
}

const DisplayRange* displayRange(int32_t index)
{
    return isParameter(index) ? &parameterInfo(index) : nullptr;
}

double normalizedFromDisplay(int32_t index, double t)
{
    const DisplayRange* row = displayRange(index);
    if (!row)
        return 0.0;
    // The top of a range can come out a hair above 1 from the logarithms;
    // the host is never sent a value outside 0..1.
    const double x = row->fromDisplay(t);
    return x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x;
}
