#include "ValueText.h"
#include "PortableMath.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace
{
constexpr const char* kTypeNames[] = {"Ambience", "Room",      "Chamber", "Club",  "Hall",
                                      "Arena",    "Cathedral", "Spring",  "Plate"};

// 10^n by repeated squaring, as the rounding rule is defined with it.
double powerOfTen(int32_t n)
{
    const bool negative = n < 0;
    uint32_t exponent = negative ? static_cast<uint32_t>(-static_cast<int64_t>(n)) : static_cast<uint32_t>(n);
    double base = 10.0;
    double result = 1.0;
    while (exponent)
    {
        if (exponent & 1u)
            result *= base;
        base *= base;
        exponent >>= 1;
    }
    return negative ? 1.0 / result : result;
}

// Writes the parts one after another into a caller's buffer of
// kValueTextCapacity bytes, cutting what does not fit.
void joinTexts(char* text, std::initializer_list<const char*> parts)
{
    size_t length = 0;
    for (const char* part : parts)
    {
        const size_t partLength = strnlen(part, kValueTextCapacity - 1 - length);
        std::memcpy(text + length, part, partLength);
        length += partLength;
    }
    text[length] = 0;
}
} // namespace

void formatFixed(double value, int32_t decimals, char* text)
{
    if (!text)
        return;
    // More decimals than the eight-character field can show are never asked for.
    decimals = decimals < 0 ? 0 : decimals > 7 ? 7 : decimals;
    const double x = value;
    const double scaled = x * powerOfTen(decimals);
    const double truncated = std::trunc(scaled);
    const double fraction = scaled - truncated;
    // Half a unit of the last decimal or more (with a little slack for the
    // binary representation) goes away from zero; the rest is cut.
    double r = x;
    double units = truncated;
    if (fraction >= 0.49999)
    {
        r = (scaled + 1.0) * powerOfTen(-decimals);
        units = truncated + 1.0;
    }
    else if (fraction <= -0.49999)
    {
        r = (scaled - 1.0) * powerOfTen(-decimals);
        units = truncated - 1.0;
    }
    if (std::isnan(r) || (r >= 0.0 && r > 99999999.0) || (r < 0.0 && -r > 9999999.0))
        return;

    // The digits come from the whole number of units rather than from the
    // binary fraction, whose expansion can sit just below the decimal shown.
    const auto magnitude = static_cast<uint64_t>(std::fabs(units));
    const auto unitsPerOne = static_cast<uint64_t>(powerOfTen(decimals));
    char integerDigits[24] = {};
    char fractionDigits[24] = {};
    std::snprintf(integerDigits, sizeof(integerDigits), "%s%llu", units < 0.0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / unitsPerOne));
    std::snprintf(fractionDigits, sizeof(fractionDigits), "%0*llu", static_cast<int>(decimals),
                  static_cast<unsigned long long>(magnitude % unitsPerOne));

    // Sign, integer digits and point take at most eight characters, and the
    // decimals only what is left of them.
    constexpr int kField = 8;
    const int used = static_cast<int>(std::strlen(integerDigits)) + 1;
    if (used > kField)
        return;
    if (decimals == 0)
    {
        std::strcpy(text, integerDigits);
        return;
    }
    const int shown = decimals < kField - used ? decimals : kField - used;
    fractionDigits[shown] = 0;
    joinTexts(text, {integerDigits, ".", fractionDigits});
}

void formatFrequency(float hz, char* text)
{
    if (!text)
        return;
    const double f = hz;
    char number[kValueTextCapacity] = {};
    const char* unit = "Hz";
    if (f < 0.2)
        formatFixed(hz, 3, number);
    else if (f < 1.0)
        formatFixed(hz, 2, number);
    else if (f < 10.0)
        formatFixed(hz, 1, number);
    else if (f < 1000.0)
        formatFixed(hz, 0, number);
    else
    {
        formatFixed(f * 0.001, f < 10000.0 ? 2 : 1, number);
        unit = "kHz";
    }
    joinTexts(text, {number, unit});
}

void formatDecibels(float gain, char* text)
{
    if (!text)
        return;
    if (!(gain > 0.0f))
    {
        std::strcpy(text, "-oodB");
        return;
    }
    const float sixTimesLog = static_cast<float>(portable::log10f(gain) * 6.0);
    const float decibels = static_cast<float>(sixTimesLog / portable::log10(2.0));
    char number[kValueTextCapacity] = {};
    formatFixed(decibels, 1, number);
    joinTexts(text, {number, "dB"});
}

const char* typeName(int32_t type)
{
    return type >= 0 && type < 9 ? kTypeNames[type] : "-no-alg-";
}
