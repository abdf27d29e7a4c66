#include "EffectHost.h"

#include <algorithm>
#include <vector>

namespace
{
// Larger than any name or display text the effect writes.
constexpr size_t kHostTextBuffer = 256;
} // namespace

int32_t primingBlockLength(int32_t blockSize)
{
    return std::clamp(blockSize, 1, kMaxPrimingBlock);
}

int32_t primingBlockCount(int32_t blockSize)
{
    // The fade switches at most one block after its first 5000 samples when
    // blocks are no longer than the fade's muted part; a whole fade plus the
    // rise plus one block is always enough.
    const int32_t length = primingBlockLength(blockSize);
    const int32_t samples = kTypeFadeSamples + kWetRiseSamples + length;
    return (samples + length - 1) / length;
}

EffectHost::EffectHost()
{
    corvanta = new Corvanta(callback);
    corvanta->getAeffect()->user = this;
}

EffectHost::~EffectHost()
{
    if (running)
        stop();
    // effClose deletes the effect object.
    dispatch(effClose);
}

void EffectHost::start(float sampleRate, int32_t blockSize)
{
    if (running)
        stop();
    hostSampleRate = sampleRate;
    hostBlockSize = blockSize;
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
    running = true;
}

void EffectHost::stop()
{
    dispatch(effMainsChanged, 0, 0);
    running = false;
}

void EffectHost::setParameter(int32_t index, float value)
{
    record()->setParameter(record(), index, value);
}

float EffectHost::getParameter(int32_t index)
{
    return record()->getParameter(record(), index);
}

std::string EffectHost::parameterName(int32_t index)
{
    char text[kHostTextBuffer] = {};
    dispatch(effGetParamName, index, 0, text);
    return text;
}

std::string EffectHost::parameterDisplay(int32_t index)
{
    char text[kHostTextBuffer] = {};
    dispatch(effGetParamDisplay, index, 0, text);
    return text;
}

std::string EffectHost::programName()
{
    char text[kHostTextBuffer] = {};
    dispatch(effGetProgramName, 0, 0, text);
    return text;
}

VstIntPtr EffectHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return record()->dispatcher(record(), opcode, index, value, ptr, opt);
}

void EffectHost::prime()
{
    const int32_t length = primingBlockLength(hostBlockSize);
    std::vector<float> silence(static_cast<size_t>(length) * 4, 0.0f);
    float* inL = silence.data();
    float* inR = inL + length;
    float* outL = inR + length;
    float* outR = outL + length;
    for (int32_t block = primingBlockCount(hostBlockSize); block > 0; --block)
    {
        float* inputs[2] = {inL, inR};
        float* outputs[2] = {outL, outR};
        record()->processReplacing(record(), inputs, outputs, length);
        // The outputs are dropped; the inputs must stay silent.
        std::fill(inL, inR + length, 0.0f);
    }
}

void EffectHost::process(float* inL, float* inR, float* outL, float* outR, int64_t frames)
{
    for (int64_t done = 0; done < frames;)
    {
        const auto n = static_cast<VstInt32>(std::min<int64_t>(hostBlockSize, frames - done));
        float* inputs[2] = {inL + done, inR + done};
        float* outputs[2] = {outL + done, outR + done};
        record()->processReplacing(record(), inputs, outputs, n);
        done += n;
    }
}

VstIntPtr VSTCALLBACK EffectHost::callback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterVersion)
        return 2400;
    // During construction the record does not yet know its host.
    const auto* host = effect ? static_cast<const EffectHost*>(effect->user) : nullptr;
    if (!host)
        return 0;
    switch (opcode)
    {
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(host->hostSampleRate);
    case audioMasterGetBlockSize:
        return host->hostBlockSize;
    default:
        // Pins count as connected on 0; automation and display updates need no answer.
        return 0;
    }
}
