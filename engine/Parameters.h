// The parameter table and the model that turns normalised values (0..1, the
// form the host and the programs hold) into the engine's internal values.
//
// Threads: apply, get and displayText run on any control thread, several at
// once (host automation, the editor); they touch only atomics: the kept
// values here and the engine's control hand-over (HandOver.h).
#pragma once

#include "ReverbEngine.h"

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

struct ParameterInfo
{
    const char* name;    // empty for indices without a parameter
    float defaultValue;  // normalised value of a new program
    const char* symbol;  // the LV2 port symbol; empty without a port
};

// The table for indices 0..17; any other index has no parameter.
const ParameterInfo& parameterInfo(int32_t index);
bool isParameter(int32_t index);

// Normalised Type value kept for an algorithm type index.
float typeNormalizedValue(int32_t type);

class ParameterModel
{
public:
    explicit ParameterModel(ReverbEngine& engine);

    // Applies a normalised value to the engine. The value is clamped to 0..1
    // first; NaN is refused (returns false, nothing changes). On success
    // `storedValue` is what the programs keep for the index.
    bool apply(int32_t index, float x, float& storedValue);

    // The kept normalised value; 0 for indices without a parameter.
    float get(int32_t index) const;

    // Display text of the current value; empty for indices without a parameter.
    // `text` must hold kValueTextCapacity bytes.
    void displayText(int32_t index, char* text) const;

private:
    // The type change; false when x is the kept value and nothing changed.
    // Every x from (8 - 0.01) / 9 up to 1 gives the last type, "Plate".
    bool applyType(float x);

    ReverbEngine& engine;
    // Normalised values kept for get; Power and Type read the engine's instead.
    std::atomic<float> kept[kNumParameterSlots] = {};
};
