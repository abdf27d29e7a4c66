// The Ambience, Room, Hall and Plate on the kernel rig, chosen by type, with
// the parameters their prepares read; and the impulse response of a network
// as the difference an impulse makes against silence from the same state,
// which leaves the engine's denormal-guard noise out.
#pragma once

#include "KernelRig.h"

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

// A rig at the settings' host rate with the parameters set and the
// algorithm's prepare run once.
std::unique_ptr<KernelRig> preparedRig(AlgorithmType type, const ProbeSettings& settings);

void prepareAlgorithm(KernelRig& rig, AlgorithmType type);
WetPair runAlgorithm(KernelRig& rig, AlgorithmType type, const std::vector<float>& inL,
                     const std::vector<float>& inR);

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
        auto rig = preparedRig(type, settings);
        check(rig->engine);
        const std::vector<float> silence(3000, 0.0f);
        runAlgorithm(*rig, type, silence, silence);
        check(rig->engine);
    }
}

// The output with an impulse at sample 0 on the chosen inputs minus the
// output of the same engine state without it.
WetPair impulseResponse(AlgorithmType type, const ProbeSettings& settings, bool impulseLeft, bool impulseRight,
                        int32_t length);

// Index of the last sample whose magnitude exceeds `threshold`, or -1.
int32_t lastAbove(const std::vector<float>& samples, float threshold = kAudible);
