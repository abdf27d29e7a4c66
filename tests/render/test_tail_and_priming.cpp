// Where the rendered tail ends, and whether the priming silence covers the
// type-change fade for every block size.
#include "EffectHost.h"
#include "Parameters.h"
#include "TailTracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
constexpr float kLoud = 1e-3f;  // -60 dBFS
constexpr float kQuiet = 1e-5f; // -100 dBFS

// Feeds `signal` (same on both channels) in blocks of `block` until the
// tracker has finished or the signal is used up.
void feed(TailTracker& tail, const std::vector<float>& signal, int64_t block)
{
    for (size_t at = 0; at < signal.size() && !tail.finished(); at += static_cast<size_t>(block))
    {
        const int64_t n = std::min<int64_t>(block, static_cast<int64_t>(signal.size() - at));
        tail.observe(signal.data() + at, signal.data() + at, n);
    }
}
} // namespace

TEST(TailTracker, EndsAtTheLastSampleAboveMinus90DecibelsAfterTheHold)
{
    // An exponential decay from 0 dBFS falling 60 dB per 1000 samples: sample
    // 1500 lies exactly at -90 dBFS and still belongs to the tail.
    std::vector<float> decay(20000);
    for (size_t i = 0; i < decay.size(); ++i)
        decay[i] = static_cast<float>(std::pow(10.0, -3.0 * static_cast<double>(i) / 1000.0));
    TailTracker tail(100000, 4000);
    feed(tail, decay, 512);
    EXPECT_TRUE(tail.finished());
    EXPECT_EQ(tail.length(), 1501);
    EXPECT_GE(tail.framesSeen(), 1501 + 4000);
    EXPECT_LT(tail.framesSeen(), 1501 + 4000 + 512);
}

TEST(TailTracker, QuietGapsShorterThanTheHoldDoNotEndIt)
{
    // A loud start, 3000 quiet samples (like a long pre-delay), then the tail.
    std::vector<float> signal(20000, kQuiet);
    signal[0] = kLoud;
    signal[3000] = -kLoud;
    TailTracker bridged(100000, 3500);
    feed(bridged, signal, 256);
    EXPECT_EQ(bridged.length(), 3001);

    TailTracker cut(100000, 2500);
    feed(cut, signal, 256);
    EXPECT_EQ(cut.length(), 1);
}

TEST(TailTracker, NeverGoesBeyondTheCap)
{
    std::vector<float> endless(10000, kLoud);
    TailTracker tail(4321, 1000);
    std::vector<float> block(1000, kLoud);
    int64_t seen = 0;
    for (int i = 0; i < 10; ++i)
        seen += tail.observe(block.data(), block.data(), 1000);
    EXPECT_EQ(seen, 4321);
    EXPECT_TRUE(tail.finished());
    EXPECT_EQ(tail.length(), 4321);

    TailTracker none(0, 1000);
    EXPECT_TRUE(none.finished()) << "--tail 0 stops at the input's end";
    EXPECT_EQ(none.observe(endless.data(), endless.data(), 100), 0);
    EXPECT_EQ(none.length(), 0);
}

TEST(TailTracker, EitherChannelAndBrokenSamplesKeepItGoing)
{
    std::vector<float> quiet(600, 0.0f);
    std::vector<float> right(600, 0.0f);
    right[450] = kLoud;
    TailTracker tail(100000, 1000);
    tail.observe(quiet.data(), right.data(), 600);
    EXPECT_EQ(tail.length(), 451);

    right[500] = std::numeric_limits<float>::quiet_NaN();
    TailTracker broken(100000, 1000);
    broken.observe(quiet.data(), right.data(), 600);
    EXPECT_EQ(broken.length(), 501);
}

TEST(TailTracker, HoldBridgesThePreDelay)
{
    EXPECT_EQ(tailHoldFrames(0.0, 48000.0), 24000);
    EXPECT_EQ(tailHoldFrames(0.12, 48000.0), 29760);
    EXPECT_EQ(tailHoldFrames(1.0, 44100.0), 66150);
}

TEST(Priming, CoversTheWholeTypeFadeForEveryBlockSize)
{
    // The type fade as the engine runs it: per sample the count falls; at
    // 15000 - n (n the block length) the type switches and the count jumps to
    // 5000; when it reaches 0 the wet gain rises by 0.0002 a sample to 1.
    for (int32_t blockSize : {1, 32, 64, 100, 512, 1000, 4096, 8192, 15000, 20000, 65536})
    {
        const int32_t n = primingBlockLength(blockSize);
        int32_t count = kTypeFadeSamples;
        float wetFade = 0.0f;
        bool switched = false;
        for (int32_t block = 0; block < primingBlockCount(blockSize); ++block)
            for (int32_t i = 0; i < n; ++i)
            {
                if (count != 0)
                {
                    wetFade = std::max(wetFade - 0.0002f, 0.0f);
                    if (--count == 15000 - n)
                    {
                        switched = true;
                        wetFade = 0.0f;
                        count = 5000;
                    }
                }
                else
                    wetFade = wetFade < 1.0f ? wetFade + 0.0002f : 1.0f;
            }
        EXPECT_TRUE(switched) << "block " << blockSize;
        EXPECT_EQ(count, 0) << "block " << blockSize;
        EXPECT_EQ(wetFade, 1.0f) << "block " << blockSize;
        EXPECT_LE(n, blockSize);
    }
}

TEST(Priming, LeavesTheEngineOnTheChosenTypeWithItsWetPathFullyOpen)
{
    // The same on the engine itself: after the priming silence no fade is
    // left and the wet gain is 1 when the first input sample arrives.
    for (int32_t blockSize : {64, 512, 1000, 15000, 65536})
    {
        EffectHost host;
        host.start(48000.0f, blockSize);
        host.setParameter(1, typeNormalizedValue(8));
        ReverbEngine& engine = host.effect().getEngine();
        engine.takeChanges(); // as the first block starts
        ASSERT_EQ(engine.typeFadeCount, kTypeFadeSamples);
        host.prime();
        EXPECT_EQ(engine.typeFadeCount, 0) << "block " << blockSize;
        EXPECT_EQ(engine.currentType, 8) << "block " << blockSize;
        EXPECT_EQ(engine.wetFade, 1.0f) << "block " << blockSize;
    }
}
