// The model that turns normalised values (0..1, the form the host and the
// programs hold) into the engine's internal values through the parameter
// table's mappings.
//
// Threads: apply, get and displayText run on any control thread, several at
// once (host automation, the editor); they touch only atomics: the kept
// values here and the engine's control hand-over (HandOver.h).
#pragma once

#include "ParameterTable.h"
#include "ReverbEngine.h"

#include <atomic>
#include <cstdint>

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
