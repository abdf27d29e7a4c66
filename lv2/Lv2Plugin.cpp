// The LV2 plug-in: a thin adapter over the effect core. run() hands the
// control ports that changed to Corvanta::setParameter, exactly as a VST host
// would, then processes with Corvanta::processReplacing, so the sound and
// the kept values match the VST 2.4 module bit for bit.
//
// Threads: instantiate, activate, deactivate and cleanup run on the host's
// instantiation thread; connect_port and run on its audio thread. run()
// neither allocates nor locks: the parameter path is atomics and the engine
// keeps its buffers from activate.
#include "Corvanta.h"
#include "Lv2Bundle.h"
#include "Lv2Features.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>

#include <cstring>
#include <new>

namespace
{
class Lv2Instance
{
public:
    Lv2Instance(double rate, const LV2_Feature* const* features) : effect(nullptr)
    {
        effect.setSampleRate(static_cast<float>(rate));
        effect.setBlockSize(announcedBlockLength(features, effect.getBlockSize()));
        // A port the host leaves at the bundle's default (the edit buffer's
        // value now) must not count as a change.
        for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
            applied[i] = effect.getParameter(static_cast<VstInt32>(i));
    }

    void connect(uint32_t port, void* data)
    {
        if (port < lv2bundle::kNumControlPorts)
            controls[port] = static_cast<const float*>(data);
        else if (port < lv2bundle::kAudioOutLeft)
            inputs[port - lv2bundle::kAudioInLeft] = static_cast<float*>(data);
        else if (port < lv2bundle::kNumPorts)
            outputs[port - lv2bundle::kAudioOutLeft] = static_cast<float*>(data);
    }

    void run(uint32_t frames)
    {
        for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
        {
            if (!controls[i])
                continue;
            const float value = *controls[i];
            // Compared bit for bit: a value that did not change starts nothing
            // (a repeated Type would otherwise fade to the same algorithm).
            if (std::memcmp(&value, &applied[i], sizeof value) == 0)
                continue;
            applied[i] = value;
            effect.setParameter(static_cast<VstInt32>(i), value);
        }
        if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1])
            return;
        effect.processReplacing(inputs, outputs, static_cast<VstInt32>(frames));
    }

    void activate() { effect.resume(); }
    void deactivate() { effect.suspend(); }

private:
    // The host's nominal block length, else its largest, else `fallback`.
    static VstInt32 announcedBlockLength(const LV2_Feature* const* features, VstInt32 fallback)
    {
        for (const char* key : {LV2_BUF_SIZE__nominalBlockLength, LV2_BUF_SIZE__maxBlockLength})
        {
            const void* value = lv2bundle::optionValue(features, key, LV2_ATOM__Int, sizeof(int32_t));
            if (value && *static_cast<const int32_t*>(value) > 0)
                return *static_cast<const int32_t*>(value);
        }
        return fallback;
    }

    Corvanta effect;
    const float* controls[lv2bundle::kNumControlPorts] = {};
    float applied[lv2bundle::kNumControlPorts] = {};
    float* inputs[2] = {};
    float* outputs[2] = {};
};

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    try
    {
        return new Lv2Instance(rate, features);
    }
    catch (...)
    {
        return nullptr;
    }
}

void connectPort(LV2_Handle instance, uint32_t port, void* data)
{
    static_cast<Lv2Instance*>(instance)->connect(port, data);
}

void activate(LV2_Handle instance)
{
    static_cast<Lv2Instance*>(instance)->activate();
}

void run(LV2_Handle instance, uint32_t frames)
{
    static_cast<Lv2Instance*>(instance)->run(frames);
}

void deactivate(LV2_Handle instance)
{
    static_cast<Lv2Instance*>(instance)->deactivate();
}

void cleanup(LV2_Handle instance)
{
    delete static_cast<Lv2Instance*>(instance);
}

const void* extensionData(const char*)
{
    return nullptr;
}

const LV2_Descriptor kDescriptor = {lv2bundle::kPluginUri, instantiate, connectPort, activate, run,
                                    deactivate,            cleanup,     extensionData};
} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
