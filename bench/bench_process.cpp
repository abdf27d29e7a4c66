// processReplacing of one effect instance, per host rate and block size, on
// a signal loud enough to keep the engine awake.
#include "Corvanta.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{
VstIntPtr VSTCALLBACK silentHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

void processReplacing(benchmark::State& state)
{
    const auto rate = static_cast<float>(state.range(0));
    const auto n = static_cast<VstInt32>(state.range(1));
    Corvanta effect(silentHost);
    effect.setSampleRate(rate);
    effect.setBlockSize(n);
    effect.resume();

    std::vector<float> inL(static_cast<size_t>(n)), inR(static_cast<size_t>(n));
    std::vector<float> outL(static_cast<size_t>(n)), outR(static_cast<size_t>(n));
    for (VstInt32 i = 0; i < n; ++i)
    {
        inL[static_cast<size_t>(i)] = 0.5f * std::sin(static_cast<float>(i) * 0.01f);
        inR[static_cast<size_t>(i)] = 0.5f * std::sin(static_cast<float>(i) * 0.013f);
    }
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};

    for (auto _ : state)
    {
        effect.processReplacing(inputs, outputs, n);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
} // namespace

BENCHMARK(processReplacing)
    ->ArgNames({"rate", "block"})
    ->Args({44100, 64})
    ->Args({44100, 512})
    ->Args({48000, 4096})
    ->Args({96000, 512})
    ->Args({192000, 512});
