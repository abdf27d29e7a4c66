// The panel's value fields: which parameter each shows, where, the text it
// shows for a value and how a typed text becomes a parameter value.
#pragma once

#include <cstddef>
#include <cstdint>

struct ValueField
{
    long tag;
    int32_t parameter;
};

// Tags 20, 22..27, 29, 30 in the order the panel creates them.
inline constexpr ValueField kValueFields[] = {
    {22, 3}, {23, 4}, {20, 2}, {25, 6}, {24, 5}, {27, 8}, {26, 7}, {30, 9}, {29, 10},
};

// The field of a tag or of a parameter; null when there is none.
const ValueField* valueFieldOfTag(long tag);
const ValueField* valueFieldOfParameter(int32_t parameter);

// Capacity of a field text buffer.
constexpr size_t kFieldTextCapacity = 32;

// The text the field of `parameter` shows for the normalised value v
// ("112Hz", "-oodB", "-oo dB", "50%"); empty for a parameter without a field.
void formatFieldText(int32_t parameter, float v, char* text);

// The normalised value a typed text sets for `parameter`: read as the
// display shows values (readValueText: "1.00kHz", "-oo dB", "Wet"), a number
// limited to minimum..maximum (display units) and converted; a text that
// begins with neither a number nor a word of the parameter reads as 0.
float typedValueToNormalized(int32_t parameter, const char* text, double minimum, double maximum);
