#include "AlgorithmProbe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
template <typename Algorithm>
void runWith(Algorithm& algorithm, ReverbEngine& engine, const std::vector<float>& inL,
             const std::vector<float>& inR, std::vector<float>& outL, std::vector<float>& outR)
{
    outL.assign(inL.size(), 0.0f);
    outR.assign(inR.size(), 0.0f);
    algorithm.prepare(engine);
    algorithm.kernel(engine, inL.data(), inR.data(), outL.data(), outR.data(), static_cast<int32_t>(inL.size()));
}
} // namespace

std::unique_ptr<ReverbEngine> preparedEngine(AlgorithmType type, const ProbeSettings& settings)
{
    auto engine = std::make_unique<ReverbEngine>();
    engine->suspend();
    engine->decay = settings.decay;
    engine->highDamp = settings.highDamp;
    engine->diffusion = settings.diffusion;
    engine->resume(settings.hostRate, 512);
    prepareAlgorithm(*engine, type);
    return engine;
}

void prepareAlgorithm(ReverbEngine& engine, AlgorithmType type)
{
    switch (type)
    {
    case kAmbience: engine.ambience.prepare(engine); break;
    case kRoom: engine.room.prepare(engine); break;
    case kHall: engine.hall.prepare(engine); break;
    case kPlate: engine.plate.prepare(engine); break;
    default: ADD_FAILURE() << "no probe for type " << type; break;
    }
}

void runKernel(ReverbEngine& engine, AlgorithmType type, const std::vector<float>& inL,
               const std::vector<float>& inR, std::vector<float>& outL, std::vector<float>& outR)
{
    switch (type)
    {
    case kAmbience: runWith(engine.ambience, engine, inL, inR, outL, outR); break;
    case kRoom: runWith(engine.room, engine, inL, inR, outL, outR); break;
    case kHall: runWith(engine.hall, engine, inL, inR, outL, outR); break;
    case kPlate: runWith(engine.plate, engine, inL, inR, outL, outR); break;
    default: ADD_FAILURE() << "no probe for type " << type; break;
    }
}

ImpulseResponse impulseResponse(AlgorithmType type, const ProbeSettings& settings, bool impulseLeft,
                                bool impulseRight, int32_t length)
{
    const auto n = static_cast<size_t>(length);
    std::vector<float> silence(n, 0.0f);
    std::vector<float> inL(n, 0.0f);
    std::vector<float> inR(n, 0.0f);
    inL[0] = impulseLeft ? 1.0f : 0.0f;
    inR[0] = impulseRight ? 1.0f : 0.0f;

    auto withImpulse = preparedEngine(type, settings);
    auto without = preparedEngine(type, settings);
    std::vector<float> outL, outR, quietL, quietR;
    runKernel(*withImpulse, type, inL, inR, outL, outR);
    runKernel(*without, type, silence, silence, quietL, quietR);

    ImpulseResponse response;
    response.left.resize(n);
    response.right.resize(n);
    for (size_t i = 0; i < n; ++i)
    {
        response.left[i] = outL[i] - quietL[i];
        response.right[i] = outR[i] - quietR[i];
    }
    return response;
}

int32_t firstAbove(const std::vector<float>& samples, float threshold)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::fabs(samples[i]) > threshold)
            return static_cast<int32_t>(i);
    return -1;
}

int32_t lastAbove(const std::vector<float>& samples, float threshold)
{
    for (size_t i = samples.size(); i > 0; --i)
        if (std::fabs(samples[i - 1]) > threshold)
            return static_cast<int32_t>(i - 1);
    return -1;
}
