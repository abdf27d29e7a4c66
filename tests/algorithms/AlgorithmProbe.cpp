#include "AlgorithmProbe.h"

#include <cmath>

namespace
{
// Calls `use` with the engine's algorithm of that type.
template <typename Use>
void withAlgorithm(ReverbEngine& engine, AlgorithmType type, Use use)
{
    switch (type)
    {
    case kAmbience: use(engine.ambience); break;
    case kRoom: use(engine.room); break;
    case kHall: use(engine.hall); break;
    case kPlate: use(engine.plate); break;
    default: ADD_FAILURE() << "no probe for type " << type; break;
    }
}
} // namespace

std::unique_ptr<KernelRig> preparedRig(AlgorithmType type, const ProbeSettings& settings)
{
    auto rig = std::make_unique<KernelRig>(settings.hostRate);
    rig->engine.decay = settings.decay;
    rig->engine.highDamp = settings.highDamp;
    rig->engine.diffusion = settings.diffusion;
    prepareAlgorithm(*rig, type);
    return rig;
}

void prepareAlgorithm(KernelRig& rig, AlgorithmType type)
{
    withAlgorithm(rig.engine, type, [&rig](auto& algorithm) { rig.prepare(algorithm); });
}

WetPair runAlgorithm(KernelRig& rig, AlgorithmType type, const std::vector<float>& inL,
                     const std::vector<float>& inR)
{
    WetPair wet;
    withAlgorithm(rig.engine, type, [&](auto& algorithm) { wet = rig.run(algorithm, inL, inR); });
    return wet;
}

WetPair impulseResponse(AlgorithmType type, const ProbeSettings& settings, bool impulseLeft, bool impulseRight,
                        int32_t length)
{
    const auto n = static_cast<size_t>(length);
    const std::vector<float> silence(n, 0.0f);
    const std::vector<float> impulse = impulseAt(n, 0);
    auto withImpulse = preparedRig(type, settings);
    auto without = preparedRig(type, settings);
    WetPair response = runAlgorithm(*withImpulse, type, impulseLeft ? impulse : silence,
                                    impulseRight ? impulse : silence);
    const WetPair quiet = runAlgorithm(*without, type, silence, silence);
    for (size_t i = 0; i < n; ++i)
    {
        response.left[i] -= quiet.left[i];
        response.right[i] -= quiet.right[i];
    }
    return response;
}

int32_t lastAbove(const std::vector<float>& samples, float threshold)
{
    for (size_t i = samples.size(); i > 0; --i)
        if (std::fabs(samples[i - 1]) > threshold)
            return static_cast<int32_t>(i - 1);
    return -1;
}
