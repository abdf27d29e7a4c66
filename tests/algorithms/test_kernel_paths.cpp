// Every kernel path against the scalar kernels, sample for sample: each
// algorithm at each rate class, with settings that move its taps and gains,
// a decay automated block by block, and blocks of odd length. A path the
// processor lacks is reported as skipped. And the prepares that redo only
// what a change moved against whole prepares in every block.
#include "Corvanta.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <vector>

namespace
{
struct PathRender
{
    int32_t type;
    float hostRate;
    int32_t block;
    std::vector<std::pair<VstInt32, float>> parameters;
    bool automateDecay;
};

std::vector<float> render(KernelPath path, const PathRender& how)
{
    Corvanta effect(silentHostCallback);
    effect.getEngine().kernelPath = path;
    effect.setSampleRate(how.hostRate);
    effect.setBlockSize(how.block);
    effect.resume();
    effect.setParameter(kType, typeNormalizedValue(how.type));
    for (const auto& [index, value] : how.parameters)
        effect.setParameter(index, value);

    // The type fade runs out on silence (the switch resets the engine inside
    // a block), then noise bursts and their tails.
    const auto fadeFrames = static_cast<int32_t>(how.hostRate / 44100.0f * 21000.0f);
    const auto frames = fadeFrames + static_cast<int32_t>(how.hostRate * 0.4f);
    std::vector<float> inL(static_cast<size_t>(how.block)), inR(inL.size());
    std::vector<float> outL(inL.size()), outR(inL.size()), kept;
    uint32_t seed = 7u;
    int32_t blockIndex = 0;
    for (int32_t done = 0; done < frames; done += how.block, ++blockIndex)
    {
        for (int32_t i = 0; i < how.block; ++i)
        {
            const int32_t at = done + i - fadeFrames;
            const bool burst = at >= 0 && (at / 2000) % 3 == 0;
            seed = seed * 1664525u + 1013904223u;
            inL[static_cast<size_t>(i)] = burst ? static_cast<float>(seed >> 8) * (1.0f / 16777216.0f) - 0.5f : 0.0f;
            inR[static_cast<size_t>(i)] = burst ? 0.5f - inL[static_cast<size_t>(i)] * 0.7f : 0.0f;
        }
        if (how.automateDecay && done >= fadeFrames)
            effect.setParameter(kDecay, 0.3f + 0.05f * static_cast<float>(blockIndex % 9));
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect.processReplacing(inputs, outputs, how.block);
        for (int32_t i = 0; i < how.block; ++i)
        {
            kept.push_back(outL[static_cast<size_t>(i)]);
            kept.push_back(outR[static_cast<size_t>(i)]);
        }
    }
    return kept;
}

class KernelPathTest : public ::testing::TestWithParam<KernelPath>
{
};

TEST_P(KernelPathTest, EqualsTheScalarPathForEveryAlgorithmRateAndSetting)
{
    const KernelPath path = GetParam();
    if (!kernelPathSupported(path))
        GTEST_SKIP() << kernelPathName(path) << " is not available on this processor";
    const std::vector<std::pair<VstInt32, float>> settings[] = {
        {},
        {{kDecay, 0.95f}, {kHighDamp, 0.8f}, {kPreDelay, 0.3f}, {kLowGain, 0.9f}, {kHighGain, 0.2f}},
        {{kDecay, 0.05f}, {kHighDamp, 0.0f}, {kLowFreq, 0.9f}, {kHighFreq, 0.1f}},
    };
    for (int32_t type = kAmbience; type <= kPlate; ++type)
        for (const float rate : {44100.0f, 96000.0f, 192000.0f})
            for (size_t s = 0; s < std::size(settings); ++s)
            {
                SCOPED_TRACE(testing::Message() << "type " << type << ", rate " << rate << ", settings " << s);
                const PathRender how{type, rate, s == 1 ? 77 : 256, settings[s], s == 2};
                const std::vector<float> reference = render(KernelPath::Scalar, how);
                const std::vector<float> output = render(path, how);
                ASSERT_EQ(output.size(), reference.size());
                for (size_t i = 0; i < output.size(); ++i)
                    ASSERT_EQ(output[i], reference[i]) << "sample " << i / 2 << (i % 2 ? " right" : " left");
            }
}

// Random single changes of the parameters a prepare reads, some repeating a
// value, then blocks of noise: the output with prepares that redo only what
// moved equals the output with every block's prepare starting from nothing.
std::vector<float> renderAutomated(int32_t type, bool wholePrepares)
{
    Corvanta effect(silentHostCallback);
    ReverbEngine& engine = effect.getEngine();
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(64);
    effect.resume();
    effect.setParameter(kType, typeNormalizedValue(type));
    std::vector<float> inL(64), inR(64), outL(64), outR(64), kept;
    uint32_t seed = 11u;
    const auto draw = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    constexpr VstInt32 kRead[] = {kDecay, kHighDamp, kDiffusion, kLowFreq, kHighFreq, kLowGain, kHighGain};
    for (int32_t block = 0; block < 700; ++block)
    {
        if (block > 400 && draw() % 2 == 0)
        {
            const VstInt32 index = kRead[draw() % std::size(kRead)];
            const float value = draw() % 4 == 0 ? effect.getParameter(index) : static_cast<float>(draw() % 1000) / 999.0f;
            effect.setParameter(index, value);
        }
        if (wholePrepares)
        {
            for (PreparedFrom* prepared :
                 {&engine.ambience.prepared, &engine.room.prepared, &engine.chamber.prepared, &engine.club.prepared,
                  &engine.hall.prepared, &engine.arena.prepared, &engine.cathedral.prepared, &engine.spring.prepared,
                  &engine.plate.prepared})
                prepared->forget();
            engine.needsPrepare = 1;
        }
        for (size_t i = 0; i < inL.size(); ++i)
        {
            inL[i] = block % 50 < 10 ? static_cast<float>(draw()) * (1.0f / 16777216.0f) - 0.5f : 0.0f;
            inR[i] = 0.3f * inL[i];
        }
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect.processReplacing(inputs, outputs, 64);
        kept.insert(kept.end(), outL.begin(), outL.end());
        kept.insert(kept.end(), outR.begin(), outR.end());
    }
    return kept;
}

TEST(PartialPrepare, EqualsAWholePrepareAfterEveryChange)
{
    for (int32_t type = kAmbience; type <= kPlate; ++type)
    {
        SCOPED_TRACE(testing::Message() << "type " << type);
        const std::vector<float> whole = renderAutomated(type, true);
        const std::vector<float> partial = renderAutomated(type, false);
        for (size_t i = 0; i < whole.size(); ++i)
            ASSERT_EQ(partial[i], whole[i]) << "block " << i / 128;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, KernelPathTest,
                         ::testing::Values(KernelPath::Chunked, KernelPath::Avx2, KernelPath::Avx512),
                         [](const ::testing::TestParamInfo<KernelPath>& info) {
                             return std::string(kernelPathName(info.param));
                         });
} // namespace
