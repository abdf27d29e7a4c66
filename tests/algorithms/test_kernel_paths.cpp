// Every kernel path against the scalar kernels, sample for sample: each
// algorithm at each rate class, with settings that move its taps and gains,
// a decay automated block by block, blocks of odd length, and the engine
// going to sleep and waking in every output layout. A path the processor
// lacks is reported as skipped. And the prepares that redo only what a
// change moved against whole prepares in every block.
#include "Corvanta.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <tuple>
#include <vector>

namespace
{
enum class Layout
{
    Stereo,
    Mono,                // one input, one output
    SecondOutputMissing, // the right value lands in the only output
};

struct PathRender
{
    int32_t type;
    float hostRate;
    int32_t block;
    std::vector<std::pair<VstInt32, float>> parameters;
    bool automateDecay;
    // One burst, silence until the engine has slept for a while, a burst
    // that wakes it and its tail.
    bool sleeps = false;
    Layout layout = Layout::Stereo;
    // A type to switch to halfway through, while the wet signal rings.
    int32_t switchTo = -1;
};

struct Rendered
{
    std::vector<float> samples;
    bool slept = false;
    int32_t finalType = -1;
};

Rendered render(KernelPath path, const PathRender& how)
{
    Corvanta effect(silentHostCallback);
    ReverbEngine& engine = effect.getEngine();
    engine.kernelPath = path;
    effect.setSampleRate(how.hostRate);
    effect.setBlockSize(how.block);
    effect.resume();
    engine.stereoIn = engine.stereoOut = how.layout == Layout::Mono ? 0 : 1;
    effect.setParameter(kType, typeNormalizedValue(how.type));
    for (const auto& [index, value] : how.parameters)
        effect.setParameter(index, value);

    // The type fade runs out on silence (the switch resets the engine inside
    // a block), then noise bursts and their tails.
    const auto fadeFrames = static_cast<int32_t>(how.hostRate / 44100.0f * 21000.0f);
    const auto second = static_cast<int32_t>(how.hostRate);
    int32_t frames = fadeFrames + (how.sleeps ? 10 * second : 4 * second / 10);
    int32_t wakeAt = frames;
    std::vector<float> inL(static_cast<size_t>(how.block)), inR(inL.size());
    std::vector<float> outL(inL.size()), outR(inL.size());
    Rendered kept;
    uint32_t seed = 7u;
    int32_t blockIndex = 0;
    for (int32_t done = 0; done < frames; done += how.block, ++blockIndex)
    {
        for (int32_t i = 0; i < how.block; ++i)
        {
            const int32_t at = done + i - fadeFrames;
            const bool burst = how.sleeps ? (at >= 0 && at < 2000) || (at >= wakeAt && at < wakeAt + 2000)
                                          : at >= 0 && (at / 2000) % 3 == 0;
            seed = seed * 1664525u + 1013904223u;
            const float noise = static_cast<float>(seed >> 8) * (1.0f / 16777216.0f) - 0.5f;
            // Between the bursts of a sleep, a hiss too faint to keep the engine awake.
            const float between = how.sleeps ? noise * 4e-7f : 0.0f;
            inL[static_cast<size_t>(i)] = burst ? noise : between;
            inR[static_cast<size_t>(i)] = burst ? 0.5f - noise * 0.7f : -between;
        }
        if (how.automateDecay && done >= fadeFrames)
            effect.setParameter(kDecay, 0.3f + 0.05f * static_cast<float>(blockIndex % 9));
        const int32_t switchAt = fadeFrames + (frames - fadeFrames) / 2;
        if (how.switchTo >= 0 && done < switchAt && done + how.block >= switchAt)
            effect.setParameter(kType, typeNormalizedValue(how.switchTo));
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), how.layout == Layout::SecondOutputMissing ? nullptr : outR.data()};
        effect.processReplacing(inputs, outputs, how.block);
        for (int32_t i = 0; i < how.block; ++i)
        {
            kept.samples.push_back(outL[static_cast<size_t>(i)]);
            kept.samples.push_back(outR[static_cast<size_t>(i)]);
        }
        if (how.sleeps && !kept.slept && engine.activityCount == 0)
        {
            kept.slept = true;
            wakeAt = done + how.block - fadeFrames + second / 20;
            frames = fadeFrames + wakeAt + 3 * second / 10;
        }
    }
    kept.finalType = engine.currentType;
    return kept;
}

void expectSameOutput(KernelPath path, const PathRender& how)
{
    const std::vector<float> reference = render(KernelPath::Scalar, how).samples;
    const std::vector<float> output = render(path, how).samples;
    ASSERT_EQ(output.size(), reference.size());
    for (size_t i = 0; i < output.size(); ++i)
        ASSERT_EQ(output[i], reference[i]) << "sample " << i / 2 << (i % 2 ? " right" : " left");
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
                expectSameOutput(path, {type, rate, s == 1 ? 77 : 256, settings[s], s == 2});
            }
}

// The wet DC blockers run beside the kernel only while no fade is under
// way: a switch of type mid-signal moves them out and back.
TEST_P(KernelPathTest, SwitchingTypeMidSignalEqualsTheScalarPath)
{
    const KernelPath path = GetParam();
    if (!kernelPathSupported(path))
        GTEST_SKIP() << kernelPathName(path) << " is not available on this processor";
    for (const auto& [from, to, rate, block] :
         {std::tuple{kHall, kPlate, 44100.0f, 256}, std::tuple{kSpring, kAmbience, 48000.0f, 77},
          std::tuple{kRoom, kArena, 96000.0f, 131}})
    {
        SCOPED_TRACE(testing::Message() << "type " << from << " to " << to << ", rate " << rate);
        PathRender how{from, rate, block, {}, false};
        how.switchTo = to;
        expectSameOutput(path, how);
        EXPECT_EQ(render(path, how).finalType, to);
    }
}

TEST_P(KernelPathTest, SleepingAndWakingEqualTheScalarPathInEveryLayout)
{
    // The types take turns at 96 and 192 kHz and in the layouts, so every
    // rate meets every layout; blocks of odd length split the resampler
    // periods.
    const KernelPath path = GetParam();
    if (!kernelPathSupported(path))
        GTEST_SKIP() << kernelPathName(path) << " is not available on this processor";
    const Layout layouts[] = {Layout::Stereo, Layout::Mono, Layout::SecondOutputMissing};
    for (int32_t type = kAmbience; type <= kPlate; ++type)
    {
        const bool quarter = type % 2 == 1;
        SCOPED_TRACE(testing::Message() << "type " << type << (quarter ? " at 192 kHz" : " at 96 kHz"));
        const PathRender how{type, quarter ? 192000.0f : 96000.0f, quarter ? 131 : 77, {{kDecay, 0.05f}}, false,
                             true, layouts[type % 3]};
        ASSERT_TRUE(render(path, how).slept);
        expectSameOutput(path, how);
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
