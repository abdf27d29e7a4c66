// Runs one algorithm's prepare and kernel on an engine without a host, so
// that tests can read the values and taps it prepared and its output at the
// internal rate, sample for sample.
#pragma once

#include "ReverbEngine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

struct ProbeSettings
{
    float hostRate = 44100.0f;
    float decay = 0.5f;
    float highDamp = 0.1f;
    float diffusion = 1.0f;
};

// A suspended and resumed engine with the settings applied and the
// algorithm's prepare run once.
std::unique_ptr<ReverbEngine> preparedEngine(AlgorithmType type, const ProbeSettings& settings);

void prepareAlgorithm(ReverbEngine& engine, AlgorithmType type);
void runKernel(ReverbEngine& engine, AlgorithmType type, const std::vector<float>& inL,
               const std::vector<float>& inR, std::vector<float>& outL, std::vector<float>& outR);

// Prepares the type at each host rate and runs `check` on the engine, then
// again after a few thousand kernel samples have moved the positions on.
template <typename Check>
void checkAtHostRates(AlgorithmType type, std::initializer_list<float> hostRates, Check check)
{
    for (float hostRate : hostRates)
    {
        SCOPED_TRACE(hostRate);
        ProbeSettings settings;
        settings.hostRate = hostRate;
        auto engine = preparedEngine(type, settings);
        check(*engine);
        std::vector<float> in(3000, 0.0f), outL, outR;
        runKernel(*engine, type, in, in, outL, outR);
        check(*engine);
    }
}

// How far behind the write position a tap reads.
inline int32_t distanceBehind(int32_t writePos, int32_t tap, int32_t mask)
{
    return (writePos - tap) & mask;
}

// The part of the output that an impulse at sample 0 causes: the output with
// the impulse minus the output of the same engine state without it.
struct ImpulseResponse
{
    std::vector<float> left;
    std::vector<float> right;
};

ImpulseResponse impulseResponse(AlgorithmType type, const ProbeSettings& settings, bool impulseLeft,
                                bool impulseRight, int32_t length);

// First and last sample whose magnitude exceeds the threshold; -1 if none.
int32_t firstAbove(const std::vector<float>& samples, float threshold = 1e-6f);
int32_t lastAbove(const std::vector<float>& samples, float threshold = 1e-6f);
