#include "ValueReading.h"

#include "ParameterTable.h"
#include "ValueText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace
{
// The texts that may follow a number, by the kind of unit, with the factor
// to the unit the display ranges use. Where one text begins another, the
// longer comes first.
struct UnitText
{
    DisplayUnit unit;
    std::string_view text;
    double scale;
};

constexpr UnitText kUnitTexts[] = {
    {DisplayUnit::Milliseconds, "ms", 1.0},
    {DisplayUnit::Percent, "%", 1.0},
    {DisplayUnit::Frequency, "kHz", 1000.0},
    {DisplayUnit::Frequency, "k", 1000.0},
    {DisplayUnit::Frequency, "Hz", 1.0},
    {DisplayUnit::Decibels, "dB", 1.0},
};

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsWithIgnoringCase(std::string_view text, std::string_view start)
{
    if (text.size() < start.size())
        return false;
    for (size_t i = 0; i < start.size(); ++i)
        if (lower(text[i]) != lower(start[i]))
            return false;
    return true;
}

std::string_view skipSpaces(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

// The word of parameter `index` that `text` begins with; its length, 0 when none.
size_t leadingWord(int32_t index, std::string_view text, double& normalized)
{
    if (index == kType)
        for (int32_t type = 0; type < 9; ++type)
            if (startsWithIgnoringCase(text, typeName(type)))
            {
                normalized = typeNormalizedValue(type);
                return std::string_view(typeName(type)).size();
            }
    for (const ParameterWord& word : parameterInfo(index).words)
        if (word.text && startsWithIgnoringCase(text, word.text))
        {
            normalized = word.normalized;
            return std::string_view(word.text).size();
        }
    return 0;
}

// The number `text` begins with (an optional "-", digits, and after "." or
// "," more digits, at least one digit in all); its length, 0 when none.
size_t leadingNumber(std::string_view text, double& value)
{
    size_t end = 0;
    size_t digits = 0;
    if (end < text.size() && text[end] == '-')
        ++end;
    for (; end < text.size() && isDigit(text[end]); ++end)
        ++digits;
    if (end < text.size() && (text[end] == '.' || text[end] == ','))
        for (++end; end < text.size() && isDigit(text[end]); ++end)
            ++digits;
    if (digits == 0)
        return 0;
    std::string number(text.substr(0, end));
    for (char& c : number)
        if (c == ',')
            c = '.';
    const char* first = number.data();
    const char* last = first + number.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range)
    {
        // Beyond the range of a double: the huge or the tiny end, by whether
        // a digit other than 0 comes before the decimal separator.
        bool huge = false;
        for (const char* c = first; c != last && *c != '.'; ++c)
            huge = huge || (*c >= '1' && *c <= '9');
        const double magnitude = huge ? std::numeric_limits<double>::infinity() : 0.0;
        value = number.front() == '-' ? -magnitude : magnitude;
    }
    return end;
}
} // namespace

ValueReading readValueText(int32_t index, std::string_view text)
{
    ValueReading reading;
    const DisplayRange* range = displayRange(index);
    if (!range)
        return reading;
    size_t used = leadingWord(index, text, reading.value);
    if (used > 0)
        reading.form = ValueReading::Form::word;
    else if ((used = leadingNumber(text, reading.value)) > 0)
        reading.form = ValueReading::Form::number;
    else
        return reading;

    std::string_view rest = skipSpaces(text.substr(used));
    for (const UnitText& unit : kUnitTexts)
        if (unit.unit == range->unit && startsWithIgnoringCase(rest, unit.text))
        {
            rest.remove_prefix(unit.text.size());
            if (reading.form == ValueReading::Form::number)
                reading.value *= unit.scale;
            break;
        }
    reading.complete = skipSpaces(rest).empty();
    return reading;
}

double parseValueText(const char* text)
{
    double value = 0.0;
    return text && leadingNumber(text, value) > 0 ? value : 0.0;
}
