#include "Parameters.h"
#include "PortableMath.h"

#include "ValueText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
const ParameterInfo kParameterTable[kNumParameterSlots] = {
    {"Power", 1.0f},    {"Type", 0.01f},    {"PreDely", 0.0f}, {"Decay", 0.5f},  {"HighDamp", 0.1f},
    {"LowFreq", 0.5f},  {"LowGain", 0.5f},  {"HighFreq", 0.5f}, {"HighGain", 0.5f}, {"Mix", 0.5f},
    {"Output", 0.5f},   {"", 0.0f},         {"", 0.0f},        {"", 0.0f},       {"", 0.0f},
    {"", 0.0f},         {"", 0.0f},         {"Diffusion", 1.0f},
};
const ParameterInfo kNoParameter = {"", 0.0f};

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
        kept[i] = kParameterTable[i].defaultValue;
}

bool ParameterModel::apply(int32_t index, float x, float& storedValue)
{
    if (std::isnan(x))
        return false;
    // Values from a host may lie outside 0..1; beyond 1 several feedback
    // loops would exceed unity gain, so nothing out of range gets through.
    x = x < 0.0f ? 0.0f : x > 1.0f ? 1.0f : x;
    storedValue = x;

    switch (index)
    {
    case kPower:
        engine.powerOn = static_cast<int32_t>(static_cast<double>(x) + 0.5);
        engine.needsPrepare = 1;
        break;
    case kType:
        // The programs keep the value the type change clamped: 8/9 for 1, and
        // +0 for zero of either sign.
        if (applyType(x))
            storedValue = x >= 1.0f ? 8.0f / 9.0f : x <= 0.0f ? 0.0f : x;
        break;
    case kPreDelay:
        kept[index] = x;
        engine.preDelayTime = x * x;
        engine.updatePreDelay();
        break;
    case kDecay:
        kept[index] = x;
        engine.decay = x;
        engine.needsPrepare = 1;
        break;
    case kHighDamp:
        kept[index] = x;
        engine.highDamp = x;
        engine.needsPrepare = 1;
        break;
    case kDiffusion:
        kept[index] = x;
        engine.diffusion = x;
        engine.needsPrepare = 1;
        break;
    case kLowFreq:
        kept[index] = x;
        engine.lowFreqHz = static_cast<float>(25.0 * portable::pow(400.0, static_cast<double>(x)));
        engine.needsPrepare = 1;
        break;
    case kHighFreq:
        kept[index] = x;
        engine.highFreqHz = static_cast<float>(50.0 * portable::pow(400.0, static_cast<double>(x)));
        engine.needsPrepare = 1;
        break;
    case kLowGain:
        kept[index] = x;
        engine.lowGain = static_cast<float>(2.0 * static_cast<double>(x));
        engine.needsPrepare = 1;
        break;
    case kHighGain:
        kept[index] = x;
        engine.highGain = static_cast<float>(2.0 * static_cast<double>(x));
        engine.needsPrepare = 1;
        break;
    case kMix:
        kept[index] = x;
        engine.mix = x;
        break;
    case kOutput:
        kept[index] = x;
        engine.outputGain = 4.0f * x * x;
        break;
    default:
        break;
    }
    return true;
}

bool ParameterModel::applyType(float x)
{
    if (x == kept[kType])
        return false;
    if (x >= 1.0f)
        x = 8.0f / 9.0f;
    else if (x <= 0.0f)
        x = 0.0f;
    const float scaled = x * 9.0f;
    const auto type = static_cast<int32_t>(static_cast<double>(scaled) + 0.01);
    engine.pendingType = static_cast<float>(type);
    kept[kType] = typeNormalizedValue(type);
    engine.startTypeFade();
    return true;
}

float ParameterModel::get(int32_t index) const
{
    if (index == kPower)
        return static_cast<float>(engine.powerOn);
    return isParameter(index) ? kept[index] : 0.0f;
}

void ParameterModel::displayText(int32_t index, char* text) const
{
    if (!text)
        return;
    text[0] = 0;
    switch (index)
    {
    case kPower:
        std::strcpy(text, engine.powerOn ? "On" : "Off");
        break;
    case kType:
        std::strcpy(text, typeName(static_cast<int32_t>(engine.pendingType)));
        break;
    case kPreDelay:
        formatScaled(engine.preDelayTime, 1000.0, "ms", text);
        break;
    case kDecay:
    case kHighDamp:
    case kDiffusion:
        formatScaled(kept[index], 100.0, "%", text);
        break;
    case kLowFreq:
        formatFrequency(engine.lowFreqHz, text);
        break;
    case kHighFreq:
        formatFrequency(engine.highFreqHz, text);
        break;
    case kLowGain:
        formatDecibels(engine.lowGain, text);
        break;
    case kHighGain:
        formatDecibels(engine.highGain, text);
        break;
    case kMix:
        if (engine.mix >= 1.0f)
            std::strcpy(text, "Wet");
        else if (engine.mix <= 0.0f)
            std::strcpy(text, "Dry");
        else
            formatScaled(engine.mix, 100.0, "%", text);
        break;
    case kOutput:
        formatDecibels(engine.outputGain, text);
        break;
    default:
        break;
    }
}
