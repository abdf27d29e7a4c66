// One algorithm's network through processReplacing at 44100 Hz, blocks of
// 512, on noise loud enough to keep the engine awake: each of the nine types
// by type index.
#include "Corvanta.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

void network(benchmark::State& state)
{
    constexpr VstInt32 kBlock = 512;
    Corvanta effect(quietHost);
    effect.setSampleRate(44100.0f);
    effect.setBlockSize(kBlock);
    effect.resume();
    effect.setParameter(kType, typeNormalizedValue(static_cast<int32_t>(state.range(0))));

    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    uint32_t seed = 1u;
    for (VstInt32 i = 0; i < kBlock; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        inL[static_cast<size_t>(i)] = static_cast<float>(seed >> 8) * (1.0f / 16777216.0f) - 0.5f;
        inR[static_cast<size_t>(i)] = -inL[static_cast<size_t>(i)];
    }
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    // Past the type fade, so the chosen network runs.
    for (int32_t done = 0; done < 21000; done += kBlock)
        effect.processReplacing(inputs, outputs, kBlock);

    for (auto _ : state)
    {
        effect.processReplacing(inputs, outputs, kBlock);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
} // namespace

BENCHMARK(network)->ArgName("type")->DenseRange(kAmbience, kPlate);
