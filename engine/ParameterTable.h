// The parameter table: one row per parameter index holding everything a
// parameter is (its name and port symbol, its defaults, the unit and range of
// its texts, the mapping into the engine's value and back from a typed value,
// the host's and the editor's texts). The parameter model, the host shell,
// the editor's fields, the renderer's command line and the LV2 Turtle
// generator all read it; nothing about a parameter is written twice.
//
// Threads: any; the table is constant and its functions keep no state.
#pragma once

#include "HandOver.h"

#include <atomic>
#include <cstdint>

enum ParameterIndex : int32_t
{
    kPower = 0,
    kType = 1,
    kPreDelay = 2,
    kDecay = 3,
    kHighDamp = 4,
    kLowFreq = 5,
    kLowGain = 6,
    kHighFreq = 7,
    kHighGain = 8,
    kMix = 9,
    kOutput = 10,
    kDiffusion = 17, // not seen by the host, not stored in programs
};

constexpr int32_t kNumHostParameters = 16;
constexpr int32_t kNumParameterSlots = 18;

enum class DisplayUnit
{
    None, // an index without a parameter
    Switch,
    Type,
    Milliseconds,
    Percent,
    Frequency,
    Decibels,
};

// A word a text may show instead of a number, with the normalised value it names.
struct ParameterWord
{
    const char* text;
    double normalized;
};

struct ParameterInfo
{
    const char* name;   // empty for indices without a parameter
    const char* symbol; // the LV2 port symbol; empty without a port
    float defaultValue; // normalised value of a new program
    float resetValue;   // what a ctrl-click on the editor's control restores
    DisplayUnit unit;
    double minimum; // the range a typed value may take, in display units
    double maximum;
    // The engine's value of normalised x (seconds, a fraction, Hz, a linear
    // gain) in double; the engine takes it rounded to float. Null for Power
    // and Type, which the model turns into a switch and a type index.
    double (*toEngine)(double x);
    // The normalised value of t in display units, t within the range; the
    // result may stray a hair outside 0..1 (see normalizedFromDisplay).
    double (*fromDisplay)(double t);
    // The host's display text of the engine's value as the engine holds it
    // (for Power the switch, for Type the type index).
    void (*hostText)(float engineValue, char* text);
    // The editor field's text of toEngine(v); null for a parameter without a field.
    void (*fieldText)(double engineValue, char* text);
    // Words the texts show or a user may type besides numbers; the type
    // names are Type's words (typeName).
    ParameterWord words[2];
    // Where the model hands the engine's value over, and the mark it raises.
    std::atomic<float> ParameterHandOver::*engineValue;
    uint32_t change;
};

// The row of indices 0..17; any other index gets an empty row (unit None).
const ParameterInfo& parameterInfo(int32_t index);
bool isParameter(int32_t index);

// Normalised Type value kept for an algorithm type index.
float typeNormalizedValue(int32_t type);

// A typed level below this (in dB) means silence.
constexpr double kSilenceDecibels = -100.0;

// The rows with a display range are the parameters 0..10 and 17.
using DisplayRange = ParameterInfo;
// The row of a parameter; null for any other index.
const DisplayRange* displayRange(int32_t index);

// The normalised value (0..1) of a value t in display units of parameter
// `index`, t already limited to its range. Type takes a type index 0..8.
double normalizedFromDisplay(int32_t index, double t);
