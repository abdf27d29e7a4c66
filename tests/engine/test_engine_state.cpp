// Engine state and lifecycle, driven without a host: rates chosen at resume,
// what suspend and the reset clear, the pre-delay positions and the prepare rule.
#include "ReverbEngine.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
int32_t preDelayDistance(const ReverbEngine& engine)
{
    return (engine.inputPos - engine.preDelayPos) & 0xFFFF;
}

// Processes `n` samples of a constant stereo input.
void run(ReverbEngine& engine, int32_t n, float value = 0.5f)
{
    std::vector<float> inL(static_cast<size_t>(n), value);
    std::vector<float> inR(static_cast<size_t>(n), value);
    std::vector<float> outL(static_cast<size_t>(n));
    std::vector<float> outR(static_cast<size_t>(n));
    const float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    engine.process(inputs, outputs, n, PinConnections{});
}
} // namespace

TEST(EngineRates, DecimationPerHostRate)
{
    struct Case
    {
        float hostRate;
        int32_t decimation;
        double internalRate;
    };
    const Case cases[] = {
        {44100.0f, 0, 44100.0}, {48000.0f, 0, 48000.0},   {88200.0f, 1, 44100.0},  {96000.0f, 1, 48000.0},
        {100000.0f, 1, 50000.0}, {100001.0f, 3, 25000.25}, {176400.0f, 3, 44100.0}, {192000.0f, 3, 48000.0},
        {50000.0f, 0, 50000.0}, {8000.0f, 0, 44100.0},    {384000.0f, 0, 44100.0},
    };
    for (const Case& c : cases)
    {
        ReverbEngine engine;
        engine.suspend();
        engine.resume(c.hostRate, 512);
        EXPECT_EQ(engine.decimation, c.decimation) << c.hostRate;
        EXPECT_EQ(engine.internalRate, c.internalRate) << c.hostRate;
        EXPECT_EQ(engine.needsPrepare, 1) << c.hostRate;
        // One second of host samples before the engine sleeps (at the clamped rate).
        const int32_t second = c.hostRate >= 20000.0f && c.hostRate <= 200000.0f ? static_cast<int32_t>(c.hostRate)
                                                                                   : 44100;
        EXPECT_EQ(engine.activityReload, second) << c.hostRate;
        EXPECT_EQ(engine.activityCount, second) << c.hostRate;
        // The plate's allpasses run at the internal rate, the DC blockers at the host rate.
        EXPECT_EQ(engine.plate.allpassBiquads[0].rate(), c.internalRate);
        EXPECT_EQ(engine.wetDcBlockerL.rate(), static_cast<double>(second));
    }
}

TEST(EngineRates, MeterHoldIsTwoSecondsOfHostBlocks)
{
    ReverbEngine engine;
    engine.resume(48000.0f, 512);
    EXPECT_EQ(engine.meterHoldBlocks, 187); // 96000 / 512
    engine.resume(44100.0f, 0);             // no usable answer: 256
    EXPECT_EQ(engine.meterHoldBlocks, 344);
    engine.resume(44100.0f, 8192);
    EXPECT_EQ(engine.meterHoldBlocks, 344);
    engine.suspend();
    EXPECT_EQ(engine.meterHoldBlocks, 100);
    EXPECT_EQ(engine.internalRate, 44100.0);
}

TEST(PreDelayLine, DistanceFollowsTheTimeAndTheInternalRate)
{
    ReverbEngine engine;
    engine.resume(48000.0f, 256);
    engine.preDelayTime = 1.0f;
    engine.updatePreDelay();
    EXPECT_EQ(preDelayDistance(engine), 48000);

    engine.preDelayTime = 0.25f;
    engine.updatePreDelay();
    EXPECT_EQ(preDelayDistance(engine), 12000);
    // Both positions advance together while blocks run.
    run(engine, 3001);
    EXPECT_EQ(preDelayDistance(engine), 12000);
    EXPECT_EQ(engine.inputPos & kShortRingMask, engine.ringPos & kShortRingMask);

    engine.preDelayTime = 0.0f;
    engine.updatePreDelay();
    EXPECT_EQ(preDelayDistance(engine), 0);
}

TEST(PreDelayLine, SetWhileSuspendedIsRecomputedAtResume)
{
    // Fixed: the distance used to keep the suspended rate (44100), 8 percent short at 48000.
    ReverbEngine engine;
    engine.suspend();
    engine.preDelayTime = 1.0f;
    engine.updatePreDelay();
    EXPECT_EQ(preDelayDistance(engine), 44100);
    engine.resume(48000.0f, 256);
    EXPECT_EQ(preDelayDistance(engine), 48000);
    engine.suspend();
    engine.resume(96000.0f, 256);
    EXPECT_EQ(preDelayDistance(engine), 48000);
}

TEST(PreDelayLine, SleepHoldCoversThePreDelay)
{
    ReverbEngine engine;
    engine.preDelayTime = 0.81f; // before any resume: nothing changes yet
    engine.updatePreDelay();
    EXPECT_EQ(engine.activityReload, 1024);
    engine.resume(48000.0f, 256);
    EXPECT_EQ(engine.activityReload, 48000 + static_cast<int32_t>(0.81f * 48000.0f));
    EXPECT_EQ(engine.activityCount, engine.activityReload);
    engine.preDelayTime = 0.0f;
    engine.updatePreDelay();
    EXPECT_EQ(engine.activityReload, 48000);
}

TEST(EngineLifecycle, SuspendClearsRingsFiltersAndMeters)
{
    ReverbEngine engine;
    engine.resume(44100.0f, 256);
    run(engine, 4096, 0.8f);
    EXPECT_NE(engine.pool.preDelayL()[100], 0.0f);
    EXPECT_GT(engine.peakL, 0.0f);
    EXPECT_GT(engine.blockCount, 0);
    engine.pool.shortRing(63)[5] = 1.0f;
    engine.toneStageL.high.lowpass.y = 0.5f;

    engine.suspend();
    EXPECT_EQ(engine.pool.preDelayL()[100], 0.0f);
    EXPECT_EQ(engine.pool.shortRing(63)[5], 0.0f);
    EXPECT_EQ(engine.dryL[10], 0.0f);
    EXPECT_EQ(engine.toneStageL.high.lowpass.y, 0.0f);
    EXPECT_EQ(engine.spring.levelFollowerL.env, 0.1f);
    EXPECT_EQ(engine.peakL, 0.0f);
    EXPECT_EQ(engine.peakR, 0.0f);
    EXPECT_EQ(engine.blockCount, 0);
    EXPECT_EQ(engine.needsPrepare, 1);

    // Resume leaves the tone stages to suspend.
    engine.toneStageR.low.highpass.y1 = 0.25f;
    engine.resume(44100.0f, 256);
    EXPECT_EQ(engine.toneStageR.low.highpass.y1, 0.25f);
}

TEST(EngineLifecycle, SuspendClearsTheResamplerHistoriesButNotTheirPositions)
{
    // The histories are cleared; indices and phases are left to resume.
    ReverbEngine engine;
    engine.resume(192000.0f, 256);
    run(engine, 5, 0.5f);
    const ResamplerState before = engine.resampler;
    ASSERT_EQ(before.decimator.index, 58);
    ASSERT_EQ(before.decimator.phase, 1);
    ASSERT_EQ(before.interpolator.phase, 1);
    ASSERT_NE(before.decimator.left[before.decimator.index + 1], 0.0f);

    engine.suspend();
    const ResamplerState& after = engine.resampler;
    for (int32_t k = 0; k < ResamplerHistory::kHistory; ++k)
    {
        ASSERT_EQ(after.decimator.left[k], 0.0f) << k;
        ASSERT_EQ(after.decimator.right[k], 0.0f) << k;
        ASSERT_EQ(after.interpolator.left[k], 0.0f) << k;
        ASSERT_EQ(after.interpolator.right[k], 0.0f) << k;
    }
    EXPECT_EQ(after.decimator.index, before.decimator.index);
    EXPECT_EQ(after.interpolator.index, before.interpolator.index);
    EXPECT_EQ(after.decimator.phase, before.decimator.phase);
    EXPECT_EQ(after.interpolator.phase, before.interpolator.phase);

    engine.resume(192000.0f, 256);
    EXPECT_EQ(after.decimator.index, 63);
    EXPECT_EQ(after.interpolator.index, 63);
    EXPECT_EQ(after.decimator.phase, 0);
    EXPECT_EQ(after.interpolator.phase, 0);
}

TEST(EngineLifecycle, EmptyBlockRunsThePrepareAndCounts)
{
    ReverbEngine engine;
    engine.resume(44100.0f, 256);
    ASSERT_EQ(engine.needsPrepare, 1);
    engine.process(nullptr, nullptr, 0, PinConnections{});
    EXPECT_EQ(engine.blockCount, 1);
    EXPECT_EQ(engine.needsPrepare, 0);
    EXPECT_EQ(engine.inputPos, 0);
    // Asleep or muted the prepare waits, but the block still counts.
    engine.needsPrepare = 1;
    engine.activityCount = 0;
    engine.process(nullptr, nullptr, 0, PinConnections{});
    EXPECT_EQ(engine.blockCount, 2);
    EXPECT_EQ(engine.needsPrepare, 1);
    engine.process(nullptr, nullptr, -3, PinConnections{});
    EXPECT_EQ(engine.blockCount, 2);
}

TEST(EngineLifecycle, ResetPresetsSharedFieldsAndKeepsPositions)
{
    ReverbEngine engine;
    engine.resume(44100.0f, 256);
    run(engine, 777);
    const int32_t ringPos = engine.ringPos;
    const uint16_t inputPos = engine.inputPos;
    const uint32_t s1 = engine.noise.s1;
    engine.plate.loopGain = engine.spring.loopGain = 0.3f;
    engine.spring.levelGainL = engine.spring.levelGainR = 0.1f;
    engine.needsPrepare = 0;

    engine.resetEngine();
    EXPECT_EQ(engine.pool.preDelayL()[100], 0.0f);
    EXPECT_EQ(engine.kernelInL[5], 0.0f);
    EXPECT_EQ(engine.spring.levelFollowerR.env, 0.01f);
    EXPECT_EQ(engine.plate.loopGain, 0.8f);
    EXPECT_EQ(engine.spring.loopGain, 0.8f);
    EXPECT_EQ(engine.spring.levelGainL, 0.64f);
    EXPECT_EQ(engine.spring.levelGainR, 0.64f);
    EXPECT_EQ(engine.resampler.decimator.index, 63);
    EXPECT_EQ(engine.needsPrepare, 1);
    EXPECT_EQ(engine.ringPos, ringPos);
    EXPECT_EQ(engine.inputPos, inputPos);
    EXPECT_EQ(engine.noise.s1, s1);
}

TEST(EngineLifecycle, PrepareRuleRecomputesOnlyAfterAChange)
{
    ReverbEngine engine;
    engine.resume(48000.0f, 256);
    engine.ringPos = 20000;
    engine.highFreqHz = 2000.0f;
    ASSERT_TRUE(engine.beginPrepare());
    EXPECT_EQ(engine.needsPrepare, 0);
    EXPECT_EQ(engine.ringPos, 20000 & kShortRingMask);
    EXPECT_EQ(engine.lpCoef, static_cast<float>(poleFor(2000.0, 48000.0)));
    EXPECT_EQ(engine.hpCoef, static_cast<float>(poleFor(500.0, 48000.0)));

    engine.highFreqHz = 8000.0f;
    EXPECT_FALSE(engine.beginPrepare());
    EXPECT_EQ(engine.lpCoef, static_cast<float>(poleFor(2000.0, 48000.0)));

    // The wide form keeps a 16-bit ring position.
    engine.needsPrepare = 1;
    engine.ringPos = 40000;
    ASSERT_TRUE(engine.beginPrepareWide());
    EXPECT_EQ(engine.ringPos, 40000);
}
