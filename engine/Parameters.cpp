#include "Parameters.h"
#include "PortableMath.h"

#include "ValueText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
const ParameterInfo kParameterTable[kNumParameterSlots] = {
    {"Power", 1.0f, "power"},        {"Type", 0.01f, "type"},          {"PreDely", 0.0f, "pre_delay"},
    {"Decay", 0.5f, "decay"},        {"HighDamp", 0.1f, "high_damp"},  {"LowFreq", 0.5f, "low_freq"},
    {"LowGain", 0.5f, "low_gain"},   {"HighFreq", 0.5f, "high_freq"},  {"HighGain", 0.5f, "high_gain"},
    {"Mix", 0.5f, "mix"},            {"Output", 0.5f, "output"},       {"", 0.0f, ""},
    {"", 0.0f, ""},                  {"", 0.0f, ""},                   {"", 0.0f, ""},
    {"", 0.0f, ""},                  {"", 0.0f, ""},                   {"Diffusion", 1.0f, ""},
};
const ParameterInfo kNoParameter = {"", 0.0f, ""};

// x * 100 (or * 1000) in double precision, shown as a single-precision number.
void formatScaled(float x, double scale, const char* unit, char* text)
{
    char number[kValueTextCapacity] = {};
    formatFixed(static_cast<float>(x * scale), 0, number);
    std::snprintf(text, kValueTextCapacity, "%s%s", number, unit);
}
} // namespace

const ParameterInfo& parameterInfo(int32_t index)
{
    return index >= 0 && index < kNumParameterSlots ? kParameterTable[index] : kNoParameter;
}

bool isParameter(int32_t index)
{
    return parameterInfo(index).name[0] != 0;
}

float typeNormalizedValue(int32_t type)
{
    const float ninth = static_cast<float>(type) / 9.0f;
    return static_cast<float>(static_cast<double>(ninth) + 0.01);
}

ParameterModel::ParameterModel(ReverbEngine& reverb) : engine(reverb)
{
    for (int32_t i = 0; i < kNumParameterSlots; ++i)
        storeValue(kept[i], kParameterTable[i].defaultValue);
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
    // The values first, then the mark: the audio thread copies what the mark
    // names at the start of its next block.
    const auto set = [&](std::atomic<float>& internal, float value, uint32_t change) {
        storeValue(internal, value);
        storeValue(kept[index], x);
        control.mark(change);
    };
    switch (index)
    {
    case kPower:
        storeValue(control.powerOn, static_cast<int32_t>(static_cast<double>(x) + 0.5));
        control.mark(kPowerChanged);
        break;
    case kType:
        // The programs keep the value the type change clamped: 8/9 for 1, and
        // +0 for zero of either sign.
        if (applyType(x))
            storedValue = x >= 1.0f ? 8.0f / 9.0f : x <= 0.0f ? 0.0f : x;
        break;
    case kPreDelay:
        set(control.preDelayTime, x * x, kPreDelayChanged);
        break;
    case kDecay:
        set(control.decay, x, kDecayChanged);
        break;
    case kHighDamp:
        set(control.highDamp, x, kHighDampChanged);
        break;
    case kDiffusion:
        set(control.diffusion, x, kDiffusionChanged);
        break;
    case kLowFreq:
        set(control.lowFreqHz, static_cast<float>(25.0 * portable::pow(400.0, static_cast<double>(x))),
            kLowFreqChanged);
        break;
    case kHighFreq:
        set(control.highFreqHz, static_cast<float>(50.0 * portable::pow(400.0, static_cast<double>(x))),
            kHighFreqChanged);
        break;
    case kLowGain:
        set(control.lowGain, static_cast<float>(2.0 * static_cast<double>(x)), kLowGainChanged);
        break;
    case kHighGain:
        set(control.highGain, static_cast<float>(2.0 * static_cast<double>(x)), kHighGainChanged);
        break;
    case kMix:
        set(control.mix, x, kMixChanged);
        break;
    case kOutput:
        set(control.outputGain, 4.0f * x * x, kOutputGainChanged);
        break;
    default:
        break;
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
    const float mix = loadValue(control.mix);
    switch (index)
    {
    case kPower:
        std::strcpy(text, loadValue(control.powerOn) ? "On" : "Off");
        break;
    case kType:
        std::strcpy(text, typeName(static_cast<int32_t>(loadValue(control.pendingType))));
        break;
    case kPreDelay:
        formatScaled(loadValue(control.preDelayTime), 1000.0, "ms", text);
        break;
    case kDecay:
    case kHighDamp:
    case kDiffusion:
        formatScaled(loadValue(kept[index]), 100.0, "%", text);
        break;
    case kLowFreq:
        formatFrequency(loadValue(control.lowFreqHz), text);
        break;
    case kHighFreq:
        formatFrequency(loadValue(control.highFreqHz), text);
        break;
    case kLowGain:
        formatDecibels(loadValue(control.lowGain), text);
        break;
    case kHighGain:
        formatDecibels(loadValue(control.highGain), text);
        break;
    case kMix:
        if (mix >= 1.0f)
            std::strcpy(text, "Wet");
        else if (mix <= 0.0f)
            std::strcpy(text, "Dry");
        else
            formatScaled(mix, 100.0, "%", text);
        break;
    case kOutput:
        formatDecibels(loadValue(control.outputGain), text);
        break;
    default:
        break;
    }
}
