#include "ValueText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

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
} // namespace

void formatFixed(double value, int32_t decimals, char* text)
{
    if (!text)
        return;
    if (decimals < 0)
        decimals = 0;
    const double x = value;
    const double scaled = x * powerOfTen(decimals);
    const double fraction = scaled - std::trunc(scaled);
    double r = x;
    if (fraction >= 0.49999)
        r = (scaled + 1.0) * powerOfTen(-decimals);
    else if (fraction <= -0.49999)
        r = (scaled - 1.0) * powerOfTen(-decimals);

    if (std::isnan(r) || (r >= 0.0 && r > 99999999.0) || (r < 0.0 && -r > 9999999.0))
        return;

    constexpr int kIntegerField = 8; // sign, integer digits and point
    char digits[kIntegerField + 2] = {};
    const double magnitude = std::fabs(r);
    const double integerPart = std::floor(magnitude);
    int used = std::snprintf(digits, sizeof(digits), "%s%.0f.", r < 0.0 ? "-" : "", integerPart);
    if (used < 0 || used > kIntegerField)
        return;

    char out[kIntegerField + 2] = {};
    std::memcpy(out, digits, static_cast<size_t>(used));
    double rest = magnitude - integerPart;
    int length = used;
    for (; length < kIntegerField; ++length)
    {
        rest *= 10.0;
        const int digit = static_cast<int>(rest);
        out[length] = static_cast<char>('0' + (digit < 0 ? 0 : digit > 9 ? 9 : digit));
        rest -= digit;
    }
    out[length] = 0;

    // Cut after the requested decimals; with none the point goes too.
    const int point = used - 1;
    const int end = decimals == 0 ? point : point + 1 + decimals;
    if (end < length)
        out[end] = 0;
    std::strcpy(text, out);
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
    std::snprintf(text, kValueTextCapacity, "%s%s", number, unit);
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
    const float sixTimesLog = static_cast<float>(log10f(gain) * 6.0);
    const float decibels = static_cast<float>(sixTimesLog / std::log10(2.0));
    char number[kValueTextCapacity] = {};
    formatFixed(decibels, 1, number);
    std::snprintf(text, kValueTextCapacity, "%sdB", number);
}

const char* typeName(int32_t type)
{
    return type >= 0 && type < 9 ? kTypeNames[type] : "-no-alg-";
}
