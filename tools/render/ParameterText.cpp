#include "ParameterText.h"

#include "Parameters.h"
#include "ValueReading.h"
#include "ValueText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace
{
using Unit = DisplayUnit;

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The text in single quotes, for messages.
std::string quoted(std::string_view text)
{
    std::string result(1, '\'');
    result.append(text);
    result.push_back('\'');
    return result;
}

std::string formatNumber(double value)
{
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}
} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool parseNumber(std::string_view text, double& value)
{
    text = trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.size() > 40)
        return false;
    // Comma and point both separate decimals, as in the editor's fields.
    char buffer[48] = {};
    for (size_t i = 0; i < text.size(); ++i)
        buffer[i] = text[i] == ',' ? '.' : text[i];
    const char* end = buffer + text.size();
    const auto result = std::from_chars(buffer, end, value, std::chars_format::fixed);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

int32_t findParameter(std::string_view name)
{
    for (int32_t index = 0; index < kNumParameterSlots; ++index)
        if (displayRange(index) && equalsIgnoringCase(name, parameterInfo(index).name))
            return index;
    return -1;
}

std::string valueSyntax(int32_t index)
{
    const DisplayRange* range = displayRange(index);
    if (!range)
        return "";
    const std::string span = formatNumber(range->minimum) + ".." + formatNumber(range->maximum);
    const ParameterWord* words = range->words;
    const auto either = [&] { return std::string(words[0].text) + " or " + words[1].text; };
    switch (range->unit)
    {
    case Unit::None:
        break;
    case Unit::Switch:
        return either();
    case Unit::Type:
    {
        std::string names;
        for (int32_t type = 0; type < ReverbEngine::kNumTypes; ++type)
            names += std::string(typeName(type)) + ", ";
        names.resize(names.size() - 2);
        return names + " or " + span;
    }
    case Unit::Milliseconds:
        return span + " ms";
    case Unit::Percent:
        return span + " %" + (words[0].text ? ", " + either() : "");
    case Unit::Frequency:
        return span + " Hz, or kHz";
    case Unit::Decibels:
        return span + " dB or " + words[0].text;
    }
    return "";
}

bool parseDisplayValue(int32_t index, std::string_view text, float& normalized, std::string& error)
{
    const DisplayRange* range = displayRange(index);
    if (!range)
    {
        error = "no parameter has index " + std::to_string(index);
        return false;
    }
    const std::string name = parameterInfo(index).name;
    text = trim(text);
    // The display never writes a plus sign, but a number may carry one here.
    const std::string_view afterSign = text.starts_with('+') ? text.substr(1) : text;
    const ValueReading reading = readValueText(index, afterSign);
    if (!reading.complete || (reading.form == ValueReading::Form::word && afterSign.size() != text.size()))
    {
        error = quoted(text) + " is not a value of " + name + " (" + valueSyntax(index) + ")";
        return false;
    }
    if (reading.form == ValueReading::Form::word)
    {
        normalized = static_cast<float>(reading.value);
        return true;
    }
    const double t = reading.value;
    if (t < range->minimum || t > range->maximum)
    {
        error = name + " = " + quoted(text) + " is out of range (" + valueSyntax(index) + ")";
        return false;
    }
    if ((range->unit == Unit::Switch || range->unit == Unit::Type) && t != std::trunc(t))
    {
        error = name + " takes " + valueSyntax(index) + ", not " + quoted(text);
        return false;
    }
    normalized = static_cast<float>(normalizedFromDisplay(index, t));
    return true;
}

bool parseNormalizedValue(std::string_view text, float& normalized, std::string& error)
{
    double x = 0.0;
    if (!parseNumber(text, x) || x < 0.0 || x > 1.0)
    {
        error = quoted(trim(text)) + " is not a normalised value 0..1";
        return false;
    }
    normalized = static_cast<float>(x);
    return true;
}
