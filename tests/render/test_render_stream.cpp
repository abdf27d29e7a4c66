// The render job in process: host-sized blocks, the dry path, mono input,
// the end of the input and the tail, the demonstration signal.
#include "DemoSignal.h"
#include "EffectHost.h"
#include "Parameters.h"
#include "Render.h"
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
struct Rendered
{
    bool ok = false;
    std::string error;
    RenderReport report;
    std::vector<float> samples; // interleaved stereo
};

// Renders `audio` with Mix at Dry, where the effect's output is its input
// times the output gain (1 at the default 0 dB) whatever the reverb does.
Rendered renderDry(const AudioData& audio, int32_t blockSize, double tailSeconds)
{
    EffectHost host;
    host.start(static_cast<float>(audio.sampleRate), blockSize);
    host.setParameter(kMix, 0.0f);
    MemorySource source(audio.samples, audio.channels);
    MemorySink sink;
    RenderJob job;
    job.tailSeconds = tailSeconds;
    Rendered rendered;
    rendered.ok = renderStream(host, source, sink, job, rendered.report, rendered.error);
    rendered.samples = std::move(sink.samples);
    EXPECT_EQ(host.effect().getBlockSize(), blockSize);
    return rendered;
}
} // namespace

TEST(RenderStream, DryPathPassesUnchangedWithEveryBlockSize)
{
    const AudioData input = testSignal(48000, 2, 7001, 0);
    for (int32_t blockSize : {1, 32, 500, 512, 4096, 20000, 65536})
    {
        const Rendered out = renderDry(input, blockSize, 1.0);
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(out.report.inputFrames, 7001);
        EXPECT_EQ(out.report.tailFrames, 0) << "a dry mix leaves no tail";
        ASSERT_EQ(out.samples.size(), input.samples.size()) << "block " << blockSize;
        EXPECT_TRUE(out.samples == input.samples) << "block " << blockSize;
    }
}

TEST(RenderStream, MonoInputFeedsBothInputs)
{
    const AudioData mono = testSignal(44100, 1, 3000, 0);
    const Rendered out = renderDry(mono, 512, 0.0);
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.samples.size(), 6000u);
    for (size_t i = 0; i < 3000; ++i)
    {
        ASSERT_EQ(out.samples[i * 2], mono.samples[i]) << i;
        ASSERT_EQ(out.samples[i * 2 + 1], mono.samples[i]) << i;
    }
    float peak = 0.0f;
    for (float s : mono.samples)
        peak = std::max(peak, std::fabs(s));
    EXPECT_EQ(out.report.inputPeak, peak);
    EXPECT_FLOAT_EQ(out.report.outputPeak, out.report.inputPeak);
}

TEST(RenderStream, MoreThanTwoChannelsAreRefused)
{
    AudioData surround = testSignal(48000, 3, 1000, 0);
    const Rendered out = renderDry(surround, 512, 1.0);
    EXPECT_FALSE(out.ok);
    EXPECT_NE(out.error.find("3 channels"), std::string::npos) << out.error;
    EXPECT_TRUE(out.samples.empty());
}

TEST(RenderStream, EmptyInputGivesAnEmptyOutput)
{
    AudioData empty;
    empty.channels = 2;
    empty.sampleRate = 44100;
    const Rendered out = renderDry(empty, 512, 5.0);
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(out.samples.empty());
}

TEST(RenderStream, ReportsProgressAndStopsWhenCancelled)
{
    const AudioData input = testSignal(44100, 2, 5000, 0);
    EffectHost host;
    host.start(44100.0f, 1024);
    MemorySource source(input.samples, 2);
    MemorySink sink;
    std::vector<int64_t> seen;
    RenderJob job;
    job.tailSeconds = 0.0;
    job.progress = [&](int64_t inputDone, int64_t) { seen.push_back(inputDone); };
    RenderReport report;
    std::string error;
    ASSERT_TRUE(renderStream(host, source, sink, job, report, error)) << error;
    EXPECT_EQ(seen, (std::vector<int64_t>{1024, 2048, 3072, 4096, 5000}));

    volatile std::sig_atomic_t cancel = 1;
    MemorySource again(input.samples, 2);
    job.cancel = &cancel;
    EXPECT_FALSE(renderStream(host, again, sink, job, report, error));
    EXPECT_EQ(error, "interrupted");
}

TEST(DemoSignal, IsFixedMaterialWithRoomForTheTail)
{
    const std::vector<float> demo = makeDemoSignal();
    ASSERT_EQ(demo.size(), static_cast<size_t>(kDemoSeconds * kDemoSampleRate) * kDemoChannels);
    EXPECT_TRUE(demo == makeDemoSignal());
    float peak = 0.0f;
    for (float s : demo)
        peak = std::max(peak, std::fabs(s));
    EXPECT_FLOAT_EQ(peak, 0.5f);
    // Sound at each event (kick, plucks, chord) and silence at the end.
    const auto levelAt = [&](double start, double seconds) {
        float level = 0.0f;
        for (auto i = static_cast<size_t>(start * kDemoSampleRate) * 2;
             i < static_cast<size_t>((start + seconds) * kDemoSampleRate) * 2; ++i)
            level = std::max(level, std::fabs(demo[i]));
        return level;
    };
    EXPECT_GT(levelAt(0.0, 0.1), 0.1f);
    EXPECT_GT(levelAt(1.25, 0.1), 0.05f);
    EXPECT_GT(levelAt(2.3, 0.2), 0.05f);
    EXPECT_EQ(levelAt(3.6, 0.39), 0.0f);
    // The plucks alternate sides.
    float left = 0.0f;
    float right = 0.0f;
    for (auto i = static_cast<size_t>(1.25 * kDemoSampleRate); i < static_cast<size_t>(1.4 * kDemoSampleRate); ++i)
    {
        left = std::max(left, std::fabs(demo[i * 2]));
        right = std::max(right, std::fabs(demo[i * 2 + 1]));
    }
    EXPECT_GT(left, 2.0f * right);
}
