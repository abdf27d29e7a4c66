// Parameter values in the units their texts show (ms, %, Hz, dB): the range
// a typed value may take and its conversion to the normalised value the
// effect takes. The editor's value fields and the renderer's command line
// read typed values through these.
#pragma once

#include <cstdint>

enum class DisplayUnit
{
    Switch,
    Type,
    Milliseconds,
    Percent,
    Frequency,
    Decibels,
};

struct DisplayRange
{
    int32_t index; // parameter index
    DisplayUnit unit;
    double minimum; // in display units
    double maximum;
};

// A typed level below this (in dB) means silence.
constexpr double kSilenceDecibels = -100.0;

// The range of parameters 0..10 and 17 (Diffusion); null for any other index.
const DisplayRange* displayRange(int32_t index);

// The normalised value (0..1) of a value t in display units of parameter
// `index`, t already limited to its range. Type takes a type index 0..8.
double normalizedFromDisplay(int32_t index, double t);
