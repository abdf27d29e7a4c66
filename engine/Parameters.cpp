#include "Parameters.h"

#include <algorithm>
#include <cmath>

ParameterModel::ParameterModel(ReverbEngine& reverb) : engine(reverb)
{
    for (int32_t i = 0; i < kNumParameterSlots; ++i)
        storeValue(kept[i], parameterInfo(i).defaultValue);
}

bool ParameterModel::apply(int32_t index, float x, float& storedValue)
{
    if (std::isnan(x))
        return false;
    // Values from a host may lie outside 0..1; beyond 1 several feedback
    // loops would exceed unity gain, so nothing out of range gets through.
    x = x < 0.0f ? 0.0f : x > 1.0f ? 1.0f : x;
    storedValue = x;

    ParameterHandOver& control = engine.control;
    if (index == kPower)
    {
        storeValue(control.powerOn, static_cast<int32_t>(static_cast<double>(x) + 0.5));
        control.mark(kPowerChanged);
    }
    else if (index == kType)
    {
        // The programs keep the value the type change clamped: 8/9 for 1, and
        // +0 for zero of either sign.
        if (applyType(x))
            storedValue = x >= 1.0f ? 8.0f / 9.0f : x <= 0.0f ? 0.0f : x;
    }
    else if (const ParameterInfo& row = parameterInfo(index); row.engineValue)
    {
        // The values first, then the mark: the audio thread copies what the
        // mark names at the start of its next block.
        storeValue(control.*row.engineValue, static_cast<float>(row.toEngine(static_cast<double>(x))));
        storeValue(kept[index], x);
        control.mark(row.change);
    }
    return true;
}

bool ParameterModel::applyType(float x)
{
    if (x == get(kType))
        return false;
    if (x >= 1.0f)
        x = 8.0f / 9.0f;
    else if (x <= 0.0f)
        x = 0.0f;
    const float scaled = x * 9.0f;
    // From 8.99 / 9 up to just below 1 this would be 9: those are the last type too.
    const auto type = std::min(static_cast<int32_t>(static_cast<double>(scaled) + 0.01), ReverbEngine::kNumTypes - 1);
    storeValue(engine.control.pendingType, static_cast<float>(type));
    engine.control.mark(kTypeChanged);
    return true;
}

float ParameterModel::get(int32_t index) const
{
    // Power and Type read back what the engine was given, so two threads
    // setting them at once cannot leave the kept value and the sound apart.
    if (index == kPower)
        return static_cast<float>(loadValue(engine.control.powerOn));
    if (index == kType)
        return typeNormalizedValue(static_cast<int32_t>(loadValue(engine.control.pendingType)));
    return isParameter(index) ? loadValue(kept[index]) : 0.0f;
}

void ParameterModel::displayText(int32_t index, char* text) const
{
    if (!text)
        return;
    text[0] = 0;
    const ParameterHandOver& control = engine.control;
    const ParameterInfo& row = parameterInfo(index);
    if (index == kPower)
        row.hostText(static_cast<float>(loadValue(control.powerOn)), text);
    else if (index == kType)
        row.hostText(loadValue(control.pendingType), text);
    else if (row.engineValue)
        row.hostText(loadValue(control.*row.engineValue), text);
}
