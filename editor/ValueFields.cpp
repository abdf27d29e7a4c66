#include "ValueFields.h"

#include "DisplayUnits.h"
#include "Parameters.h"
#include "ValueReading.h"
#include "ValueText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
void appendUnit(const char* number, const char* unit, char* text)
{
    std::snprintf(text, kFieldTextCapacity, "%s%s", number, unit);
}

// Shelf gains: 0.5 is 0 dB, 6 dB per doubling.
void formatShelfGain(double v, char* text)
{
    char number[kValueTextCapacity] = {};
    if (2.0 * v < 0.0000001)
        std::strcpy(number, "-oo");
    else
        formatFixed(6.0 * std::log10(2.0 * v) / std::log10(2.0), 2, number);
    appendUnit(number, "dB", text);
}

void formatOutputGain(double v, char* text)
{
    const double x = 6.0 * std::log10(4.0 * v * v) / std::log10(2.0);
    if (x < -100.0)
    {
        std::strcpy(text, "-oo dB");
        return;
    }
    char number[kValueTextCapacity] = {};
    formatFixed(x, 2, number);
    appendUnit(number, "dB", text);
}
} // namespace

const ValueField* valueFieldOfTag(long tag)
{
    for (const ValueField& field : kValueFields)
        if (field.tag == tag)
            return &field;
    return nullptr;
}

const ValueField* valueFieldOfParameter(int32_t parameter)
{
    for (const ValueField& field : kValueFields)
        if (field.parameter == parameter)
            return &field;
    return nullptr;
}

void formatFieldText(int32_t parameter, float value, char* text)
{
    if (!text)
        return;
    text[0] = 0;
    const double v = value;
    char number[kValueTextCapacity] = {};
    switch (parameter)
    {
    case kPreDelay:
        formatFixed(v * v * 1000.0, 0, number);
        appendUnit(number, "ms", text);
        break;
    case kDecay:
    case kHighDamp:
    case kMix:
        formatFixed(v * 100.0, 0, number);
        appendUnit(number, "%", text);
        break;
    case kLowFreq:
        formatFrequency(static_cast<float>(25.0 * std::pow(400.0, v)), text);
        break;
    case kHighFreq:
        formatFrequency(static_cast<float>(50.0 * std::pow(400.0, v)), text);
        break;
    case kLowGain:
    case kHighGain:
        formatShelfGain(v, text);
        break;
    case kOutput:
        formatOutputGain(v, text);
        break;
    default:
        break;
    }
}

float typedValueToNormalized(int32_t parameter, const char* text, double minimum, double maximum)
{
    const ValueReading reading = readValueText(parameter, text ? text : "");
    if (reading.form == ValueReading::Form::word)
        return static_cast<float>(reading.value);
    double t = reading.form == ValueReading::Form::number ? reading.value : 0.0;
    if (t < minimum)
        t = minimum;
    else if (t > maximum)
        t = maximum;
    return static_cast<float>(normalizedFromDisplay(parameter, t));
}
