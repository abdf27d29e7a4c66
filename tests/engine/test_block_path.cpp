// The block path of the engine: resampler filters against their tables, the
// stream through decimation and interpolation for any block partition, sleep
// and wake-up, the type-fade timeline and the faults mended in it.
#include "BlockPathProbe.h"
#include "ReverbEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
struct Block
{
    std::vector<float> inL, inR, outL, outR;

    explicit Block(size_t n, float value = 0.0f) : inL(n, value), inR(n, value), outL(n), outR(n) {}
};

void process(ReverbEngine& engine, Block& block, PinConnections pins = {})
{
    const float* inputs[2] = {block.inL.data(), block.inR.data()};
    float* outputs[2] = {block.outL.data(), block.outR.data()};
    engine.process(inputs, outputs, static_cast<int32_t>(block.inL.size()), pins);
}

void processSilence(ReverbEngine& engine, int32_t n)
{
    Block block(static_cast<size_t>(n));
    process(engine, block);
}

void processConstant(ReverbEngine& engine, int32_t n)
{
    Block block(static_cast<size_t>(n), 0.1f);
    process(engine, block);
}

// A stereo test signal: two tones and a little hash, different per channel.
float signal(int32_t i, int channel)
{
    const auto t = static_cast<float>(i);
    return 0.5f * std::sin(t * (channel ? 0.031f : 0.017f)) + 0.2f * std::sin(t * 0.9f + channel) +
           0.01f * static_cast<float>((i * 7919 + channel * 104729) % 97) / 97.0f;
}

// Output of the identity chain for the whole signal, cut into blocks of the given lengths (cycled).
std::vector<float> identityChain(float hostRate, const std::vector<int32_t>& lengths, int32_t total)
{
    ReverbEngine engine;
    engine.suspend();
    engine.resume(hostRate, 256);
    engine.mix = 1.0f;
    engine.wetFade = 1.0f;
    std::vector<float> inL(static_cast<size_t>(total)), inR(static_cast<size_t>(total));
    for (int32_t i = 0; i < total; ++i)
    {
        inL[static_cast<size_t>(i)] = signal(i, 0);
        inR[static_cast<size_t>(i)] = signal(i, 1);
    }
    std::vector<float> outL(static_cast<size_t>(total)), outR(static_cast<size_t>(total));
    int32_t done = 0;
    for (size_t b = 0; done < total; ++b)
    {
        const int32_t n = std::min(lengths[b % lengths.size()], total - done);
        BlockPathProbe::identityBlock(engine, inL.data() + done, inR.data() + done, outL.data() + done,
                                      outR.data() + done, n);
        done += n;
    }
    outL.insert(outL.end(), outR.begin(), outR.end());
    return outL;
}
} // namespace

TEST(Resampler, DecimatorImpulseResponsesFollowTheTables)
{
    // Factor 2: an impulse at an even host sample meets the even taps, at an odd one the odd taps.
    const double even[] = {0.0018, -0.0025, -0.0012, 0.01, -0.0242, 0.0478, -0.0962, 0.314,
                           0.314,  -0.0962, 0.0478,  -0.0242, 0.01, -0.0012, -0.0025, 0.0018};
    const double odd[] = {0.007, -0.016, 0.029, -0.032, 0.0372, -0.0408, 0.0428, 0.455,
                          0.0428, -0.0408, 0.0372, -0.032, 0.029, -0.016, 0.007};
    for (int32_t offset = 0; offset < 2; ++offset)
    {
        ReverbEngine engine;
        engine.resume(96000.0f, 256);
        std::vector<float> in(40, 0.0f);
        in[static_cast<size_t>(offset)] = 1.0f;
        ASSERT_EQ(BlockPathProbe::inputStage(engine, in.data(), in.data(), 40), 20);
        const double* taps = offset ? odd : even;
        const int count = offset ? 15 : 16;
        for (int k = 0; k < count; ++k)
            EXPECT_EQ(engine.kernelInL[k + offset], static_cast<float>(taps[k])) << offset << " " << k;
        EXPECT_EQ(engine.kernelInL[count + offset], 0.0f);
    }

    // Factor 4: the first output comes with the third host sample.
    const double quarter[] = {0.25 * 0.183443, 0.25 * 0.516773, 0.25 * 0.855737, 0.25,
                              0.25 * 0.855737, 0.25 * 0.516773, 0.25 * 0.183443};
    for (int32_t offset = 0; offset < 4; ++offset)
    {
        ReverbEngine engine;
        engine.resume(192000.0f, 256);
        std::vector<float> in(64, 0.0f);
        in[static_cast<size_t>(offset)] = 1.0f;
        ASSERT_EQ(BlockPathProbe::inputStage(engine, in.data(), in.data(), 64), 16);
        // Output j sees the impulse (4j + 2 - offset) samples ago; taps span h[3]..h[9].
        for (int32_t j = 0; j < 16; ++j)
        {
            const int32_t ago = 4 * j + 2 - offset;
            const float expected = ago >= 3 && ago <= 9 ? static_cast<float>(quarter[ago - 3]) : 0.0f;
            EXPECT_EQ(engine.kernelInL[j], expected) << offset << " " << j;
        }
    }
}

TEST(Resampler, InterpolatorImpulseResponsesFollowTheTables)
{
    // Factor 2: one wet sample, then the stuffed zeros: the even taps, and 1 at g[15].
    const double pairs[] = {-0.004, 0.0106, -0.0268, 0.0524, -0.0812, 0.1224, -0.2097, 0.6351};
    std::vector<double> expected(33, 0.0);
    for (int k = 0; k < 8; ++k)
        expected[static_cast<size_t>(2 * k)] = expected[static_cast<size_t>(30 - 2 * k)] = pairs[k];
    expected[15] = 1.0;
    float history[64] = {};
    int32_t index = 63;
    for (int32_t k = 0; k < 33; ++k)
    {
        history[index] = k == 0 ? 1.0f : 0.0f;
        EXPECT_EQ(interpolateBy2(history, index), static_cast<float>(expected[static_cast<size_t>(k)])) << k;
        index = (index - 1) & 63;
    }

    // Factor 4: the phases after a reset run 1, 2, 3, 0; the wet sample is written at phase 0.
    const double after[] = {-0.015, -0.0531, -0.0744, 0.0,    0.2351, 0.5621, 0.8732, 1.0,
                            0.8732, 0.5621,  0.2351,  0.0,    -0.0744, -0.0531, -0.015, 0.0};
    float h4[64] = {};
    index = 63;
    int32_t phase = 0;
    for (int32_t k = 0; k < 19; ++k)
    {
        phase = (phase + 1) & 3;
        h4[index] = k == 3 ? 1.0f : 0.0f;
        const float out = interpolateBy4(h4, index, phase);
        if (k >= 3)
            EXPECT_EQ(out, static_cast<float>(after[k - 3])) << k;
        else
            EXPECT_EQ(out, 0.0f) << k;
        index = (index - 1) & 63;
    }
}

TEST(Resampler, StreamDoesNotDependOnHowTheHostCutsIt)
{
    // Fixed: block lengths that are not a multiple of the decimation factor
    // used to drop or repeat internal-rate samples.
    const int32_t total = 20000;
    for (float rate : {44100.0f, 96000.0f, 192000.0f})
    {
        const std::vector<float> reference = identityChain(rate, {4096}, total);
        const std::vector<std::vector<int32_t>> cuts = {
            {1}, {2}, {3}, {31}, {32}, {33}, {256}, {65536}, {3, 1, 7, 5}, {33, 31, 1, 2, 255, 4097}};
        for (const auto& lengths : cuts)
        {
            const std::vector<float> out = identityChain(rate, lengths, total);
            ASSERT_EQ(out, reference) << rate << " first length " << lengths[0];
        }
    }
}

TEST(Resampler, IdentityKernelPassesAToneAtUnityGain)
{
    for (float rate : {96000.0f, 192000.0f})
    {
        ReverbEngine engine;
        engine.resume(rate, 256);
        engine.mix = 1.0f;
        engine.wetFade = 1.0f;
        const int32_t n = 16384;
        std::vector<float> in(static_cast<size_t>(n)), outL(static_cast<size_t>(n)), outR(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i)
            in[static_cast<size_t>(i)] = std::sin(2.0f * 3.14159265f * 440.0f * static_cast<float>(i) / rate);
        BlockPathProbe::identityBlock(engine, in.data(), in.data(), outL.data(), outR.data(), n);
        float peak = 0.0f;
        for (int32_t i = n / 2; i < n; ++i)
            peak = std::max(peak, std::fabs(outL[static_cast<size_t>(i)]));
        EXPECT_NEAR(peak, 1.0f, 0.05f) << rate;
    }
}

TEST(Activity, SleepsAfterOneSecondOfSilenceAndWakesOnInput)
{
    ReverbEngine engine;
    engine.resume(44100.0f, 441);
    for (int b = 0; b < 100; ++b)
        processSilence(engine, 441);
    EXPECT_EQ(engine.activityCount, 0);
    // Asleep: the kernel no longer runs, so the positions stand still.
    const uint16_t asleepAt = engine.inputPos;
    processSilence(engine, 441);
    EXPECT_EQ(engine.inputPos, asleepAt);

    // A long silence keeps the count at 0 (it used to run on towards wrapping around).
    for (int b = 0; b < 50; ++b)
        processSilence(engine, 65536);
    EXPECT_EQ(engine.activityCount, 0);

    // One audible sample wakes it in the same block.
    Block hit(441);
    hit.inL[440] = 0.5f;
    process(engine, hit);
    EXPECT_EQ(engine.inputPos, static_cast<uint16_t>(asleepAt + 441));
    EXPECT_GT(engine.activityCount, 0);

    // Just under the threshold counts as silence.
    Block quiet(441, 4e-7f);
    engine.activityCount = 10;
    engine.mix = 0.0f;
    process(engine, quiet);
    EXPECT_EQ(engine.activityCount, 0);
}

TEST(Activity, HoldCoversAFullPreDelay)
{
    // Fixed: with a pre-delay near one second a lone hit used to be still in
    // the pre-delay line when the engine went to sleep.
    ReverbEngine engine;
    engine.resume(48000.0f, 480);
    engine.preDelayTime = 0.9f;
    engine.updatePreDelay();
    // Dry only: the hold alone must keep the engine awake, not the reverb
    // tail the hit leaves in the output.
    engine.mix = 0.0f;
    Block hit(480);
    hit.inL[0] = 1.0f;
    process(engine, hit);
    const uint16_t start = engine.inputPos;
    const int32_t blocks = (48000 + 43200) / 480 - 2;
    for (int b = 0; b < blocks; ++b)
        processSilence(engine, 480);
    // 1.9 seconds after the hit the engine still runs: the hit leaves the pre-delay line at 0.9 s.
    EXPECT_EQ(static_cast<uint16_t>(engine.inputPos - start), static_cast<uint16_t>(blocks * 480));
    EXPECT_GT(engine.activityCount, 0);
    for (int b = 0; b < 4; ++b)
        processSilence(engine, 480);
    EXPECT_EQ(engine.activityCount, 0);
}

TEST(Activity, HostRateAbove200kHzKeepsTheEngineStill)
{
    ReverbEngine engine;
    engine.resume(384000.0f, 256);
    EXPECT_EQ(engine.decimation, 0);
    Block block(1000, 0.25f);
    engine.mix = 0.5f;
    process(engine, block);
    EXPECT_EQ(engine.inputPos, 0);
    EXPECT_EQ(engine.needsPrepare, 1);
    const auto dryGain = static_cast<float>(std::sqrt(0.5));
    for (size_t i = 0; i < block.outL.size(); ++i)
        ASSERT_NEAR(block.outL[i], 0.25f * dryGain, 1e-9f);
}

TEST(Mix, ZeroGivesTheDryInputTimesTheOutputGainExactly)
{
    for (float rate : {44100.0f, 96000.0f, 192000.0f})
    {
        ReverbEngine engine;
        engine.resume(rate, 256);
        engine.mix = 0.0f;
        engine.outputGain = 4.0f * 0.7f * 0.7f;
        for (int32_t n : {1, 2, 3, 31, 32, 33, 256, 4096, 65536, 5, 7, 4095})
        {
            Block block(static_cast<size_t>(n));
            for (int32_t i = 0; i < n; ++i)
            {
                block.inL[static_cast<size_t>(i)] = signal(i, 0);
                block.inR[static_cast<size_t>(i)] = signal(i, 1);
            }
            process(engine, block);
            for (size_t i = 0; i < block.inL.size(); ++i)
            {
                ASSERT_EQ(block.outL[i], block.inL[i] * engine.outputGain) << rate << " " << n << " " << i;
                ASSERT_EQ(block.outR[i], block.inR[i] * engine.outputGain) << rate << " " << n << " " << i;
            }
        }
        EXPECT_GT(engine.peakL, 0.5f * engine.outputGain);
    }
}

TEST(Layout, MonoFoldDownAndMissingPins)
{
    ReverbEngine engine;
    engine.resume(44100.0f, 256);
    engine.mix = 0.0f;
    engine.outputGain = 2.0f;
    Block block(64);
    for (int32_t i = 0; i < 64; ++i)
    {
        block.inL[static_cast<size_t>(i)] = signal(i, 0);
        block.inR[static_cast<size_t>(i)] = signal(i, 1);
    }

    engine.stereoOut = 0;
    block.outR.assign(64, 9.0f);
    process(engine, block);
    for (size_t i = 0; i < 64; ++i)
    {
        ASSERT_EQ(block.outL[i], (block.inL[i] * 2.0f + block.inR[i] * 2.0f) * 0.5f) << i;
        ASSERT_EQ(block.outR[i], 9.0f) << i; // the second output is not the effect's
    }

    // Mono input: the right channel is the left one.
    engine.stereoOut = 1;
    engine.stereoIn = 0;
    process(engine, block);
    for (size_t i = 0; i < 64; ++i)
        ASSERT_EQ(block.outR[i], block.inL[i] * 2.0f) << i;

    // Stereo layout, but the host reports the second pins unconnected.
    engine.stereoIn = 1;
    process(engine, block, PinConnections{false, true});
    for (size_t i = 0; i < 64; ++i)
        ASSERT_EQ(block.outR[i], block.inL[i] * 2.0f) << i;
    block.outR.assign(64, 9.0f);
    process(engine, block, PinConnections{true, false});
    for (size_t i = 0; i < 64; ++i)
    {
        ASSERT_EQ(block.outL[i], block.inR[i] * 2.0f) << i; // the right value overwrites the left
        ASSERT_EQ(block.outR[i], 9.0f) << i;
    }
}

TEST(NonFiniteInput, StaysOutOfTheWetPath)
{
    for (float rate : {44100.0f, 96000.0f, 192000.0f})
    {
        ReverbEngine engine;
        engine.resume(rate, 256);
        Block block(512, 0.1f);
        block.inL[100] = std::numeric_limits<float>::quiet_NaN();
        block.inR[200] = std::numeric_limits<float>::infinity();
        process(engine, block);
        EXPECT_TRUE(std::isnan(block.outL[100])) << rate; // the dry path passes what it got
        EXPECT_TRUE(std::isinf(block.outR[200])) << rate;

        for (int b = 0; b < 10; ++b)
        {
            Block next(512, 0.1f);
            process(engine, next);
            for (size_t i = 0; i < 512; ++i)
                ASSERT_TRUE(std::isfinite(next.outL[i]) && std::isfinite(next.outR[i])) << rate << " " << i;
        }
        for (int32_t i = 0; i < kLongRingSize; ++i)
            ASSERT_TRUE(std::isfinite(engine.pool.preDelayL()[i]) && std::isfinite(engine.pool.preDelayR()[i]));
        EXPECT_TRUE(std::isfinite(engine.toneStageL.high.lowpass.y));
        EXPECT_TRUE(std::isfinite(engine.toneStageR.low.highpass.y1));
    }
}

namespace
{
// An engine that has run long enough for the wet path to be fully open.
void settle(ReverbEngine& engine, float rate = 44100.0f)
{
    engine.suspend();
    engine.resume(rate, 256);
    for (int b = 0; b < 30; ++b)
    {
        Block block(256, 0.1f);
        process(engine, block);
    }
    ASSERT_EQ(engine.wetFade, 1.0f);
}

void changeType(ReverbEngine& engine, int32_t type)
{
    engine.pendingType = static_cast<float>(type);
    engine.startTypeFade();
}
} // namespace

TEST(TypeFade, TimelineSampleBySample)
{
    ReverbEngine engine;
    settle(engine);
    changeType(engine, kHall);

    // Blocks of one sample: the switch comes after 5000 + 1 samples.
    float expectedFade = 1.0f;
    for (int32_t k = 1; k <= 5001; ++k)
    {
        const uint16_t before = engine.inputPos;
        Block one(1, 0.1f);
        process(engine, one);
        ASSERT_EQ(engine.inputPos, static_cast<uint16_t>(before + 1)) << k; // the old type still runs
        if (k < 5001)
        {
            expectedFade = std::max(expectedFade - 0.0002f, 0.0f);
            ASSERT_EQ(engine.currentType, kAmbience) << k;
            ASSERT_EQ(engine.wetFade, expectedFade) << k;
            ASSERT_EQ(engine.typeFadeCount, 20000 - k) << k;
        }
    }
    EXPECT_LT(expectedFade, 0.0002f); // faded out before the switch
    EXPECT_EQ(engine.currentType, kHall);
    EXPECT_EQ(engine.typeFadeCount, 5000);
    EXPECT_EQ(engine.wetFade, 0.0f);
    EXPECT_EQ(engine.needsPrepare, 1);

    // Muted: 5000 samples in which the engine does not run.
    const uint16_t muted = engine.inputPos;
    for (int32_t k = 1; k <= 5000; ++k)
    {
        Block one(1, 0.1f);
        process(engine, one);
        ASSERT_EQ(engine.inputPos, muted) << k;
        ASSERT_EQ(engine.typeFadeCount, 5000 - k) << k;
        ASSERT_EQ(engine.wetFade, 0.0f) << k;
    }

    // Fading in: the new type runs from cleared memory, the wet gain rises by 0.0002 per sample.
    expectedFade = 0.0f;
    for (int32_t k = 1; k <= 6000; ++k)
    {
        Block one(1, 0.1f);
        process(engine, one);
        ASSERT_EQ(engine.inputPos, static_cast<uint16_t>(muted + k)) << k;
        expectedFade = expectedFade < 1.0f ? expectedFade + 0.0002f : 1.0f;
        ASSERT_EQ(engine.wetFade, expectedFade) << k;
    }
    EXPECT_EQ(engine.wetFade, 1.0f);
    EXPECT_EQ(engine.needsPrepare, 0);
}

TEST(TypeFade, SwitchFollowsTheBlockLength)
{
    // For constant blocks of n <= 10000 samples the switch comes at 5000 + n samples.
    for (int32_t n : {64, 256, 1000, 4096, 10000})
    {
        ReverbEngine engine;
        settle(engine);
        changeType(engine, kPlate);
        int32_t processed = 0;
        while (engine.currentType != kPlate)
        {
            processConstant(engine, n);
            processed += n;
            ASSERT_LE(processed, 40000) << n;
        }
        const int32_t switchedAt = 5000 + n;
        EXPECT_GE(processed, switchedAt) << n;
        EXPECT_LT(processed - n, switchedAt) << n;
        EXPECT_EQ(engine.typeFadeCount, std::max(5000 - (processed - switchedAt), 0)) << n;
    }
}

TEST(TypeFade, LongBlocksSwitchExactlyOnce)
{
    // Fixed: blocks of 10001 to 15000 samples used to re-switch without end,
    // longer ones never switched.
    for (int32_t n : {10001, 12000, 15000, 20000, 65536})
    {
        ReverbEngine engine;
        settle(engine);
        changeType(engine, kRoom);
        for (int b = 0; b < 4; ++b)
            processConstant(engine, n);
        EXPECT_EQ(engine.currentType, kRoom) << n;
        EXPECT_EQ(engine.typeFadeCount, 0) << n;
        EXPECT_GT(engine.wetFade, 0.5f) << n;
        // It runs again: the new type's prepare has cleared the flag.
        EXPECT_EQ(engine.needsPrepare, 0) << n;
    }
}

TEST(TypeFade, ShrinkingBlockLengthDoesNotLoseTheChange)
{
    // Fixed: after a block of 8000 the count (12000) is already below
    // 15000 - 1000, so an equality test never met it.
    ReverbEngine engine;
    settle(engine);
    changeType(engine, kSpring);
    processConstant(engine, 8000);
    EXPECT_EQ(engine.typeFadeCount, 12000);
    Block block(1000);
    process(engine, block);
    EXPECT_EQ(engine.currentType, kSpring);
    EXPECT_EQ(engine.typeFadeCount, 5000 - 999);
}

TEST(TypeFade, SwitchKeepsTheDryRestOfTheBlock)
{
    // Fixed: the reset at the switch used to clear the dry copy still being read.
    for (float rate : {44100.0f, 96000.0f, 192000.0f})
    {
        ReverbEngine engine;
        settle(engine, rate);
        engine.mix = 0.0f;
        changeType(engine, kChamber);
        for (int b = 0; b < 3; ++b)
        {
            Block block(8192);
            for (int32_t i = 0; i < 8192; ++i)
                block.inL[static_cast<size_t>(i)] = block.inR[static_cast<size_t>(i)] = signal(i + b * 8192, 0);
            process(engine, block);
            for (size_t i = 0; i < block.inL.size(); ++i)
                ASSERT_EQ(block.outL[i], block.inL[i]) << rate << " block " << b << " sample " << i;
        }
        EXPECT_EQ(engine.currentType, kChamber);
    }
}

TEST(TypeFade, ResetDuringAFadeWithOddBlocksKeepsTheStreamGoing)
{
    // After the switch the resampler phases restart mid-block; odd block
    // lengths must still neither crash nor read past the kernel's output.
    for (float rate : {96000.0f, 192000.0f})
    {
        ReverbEngine engine;
        settle(engine, rate);
        changeType(engine, kCathedral);
        const int32_t lengths[] = {33, 1, 2, 31, 255, 3, 4097};
        for (int b = 0; b < 400; ++b)
        {
            Block block(static_cast<size_t>(lengths[b % 7]), 0.2f);
            process(engine, block);
        }
        EXPECT_EQ(engine.currentType, kCathedral);
        EXPECT_EQ(engine.wetFade, 1.0f);
    }
}

TEST(TypeFade, SwitchThreeSamplesBeforeABlockEndThenAShortBlock)
{
    // At 192 kHz a switch 3 samples before the end of a block, followed by a
    // block of 2, asks for a wet sample the kernel has not made yet: the
    // output takes silence once (the wet path is muted then) and the stream
    // goes on without reading past the kernel's output.
    ReverbEngine engine;
    settle(engine, 192000.0f);
    changeType(engine, kArena);
    // Blocks of 1002 switch after 6002 samples: sample 991 of the sixth block.
    for (int b = 0; b < 6; ++b)
        processConstant(engine, 1002);
    ASSERT_EQ(engine.currentType, kArena);
    ASSERT_EQ(engine.typeFadeCount, 5000 - 10);
    const int32_t lengths[] = {2, 5, 3, 1, 7, 4096, 33, 31, 4};
    for (int round = 0; round < 40; ++round)
    {
        for (int32_t n : lengths)
        {
            processConstant(engine, n);
            ASSERT_GE(BlockPathProbe::wetCarry(engine), 0);
            ASSERT_LE(BlockPathProbe::wetCarry(engine), 2);
        }
    }
    EXPECT_EQ(engine.wetFade, 1.0f);
}
