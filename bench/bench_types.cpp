// processReplacing per algorithm type at 44.1 kHz in blocks of 512, on a
// signal loud enough to keep the engine awake.
#include "Corvanta.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{
VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

void processType(benchmark::State& state)
{
    const auto type = static_cast<VstInt32>(state.range(0));
    constexpr VstInt32 n = 512;
    Corvanta effect(quietHost);
    effect.setSampleRate(44100.0f);
    effect.setBlockSize(n);
    effect.resume();

    std::vector<float> inL(n), inR(n), outL(n), outR(n);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    // Let the type change run its fade before measuring.
    effect.setParameter(1, (static_cast<float>(type) + 0.5f) / 9.0f);
    for (int32_t done = 0; done < 21000; done += n)
        effect.processReplacing(inputs, outputs, n);

    for (VstInt32 i = 0; i < n; ++i)
    {
        inL[static_cast<size_t>(i)] = 0.5f * std::sin(static_cast<float>(i) * 0.01f);
        inR[static_cast<size_t>(i)] = 0.5f * std::sin(static_cast<float>(i) * 0.013f);
    }
    for (auto _ : state)
    {
        effect.processReplacing(inputs, outputs, n);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
} // namespace

BENCHMARK(processType)->ArgName("type")->DenseRange(0, 8);
