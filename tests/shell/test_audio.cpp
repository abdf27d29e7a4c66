// Audio through the loaded plug-in as a host drives it: resume and suspend
// as the host sees them, the dry path for every block size and rate, the
// channel layouts, the pin queries and processing in place.
#include "Corvanta.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
class Audio : public LoadedPlugin
{
protected:
    // Processes a block of the test signal starting at sample `offset`.
    void processSignal(int32_t n, int32_t offset, std::vector<float>& outL, std::vector<float>& outR)
    {
        inL.resize(static_cast<size_t>(n));
        inR.resize(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i)
        {
            inL[static_cast<size_t>(i)] = signal(offset + i, 0);
            inR[static_cast<size_t>(i)] = signal(offset + i, 1);
        }
        host.process(inL, inR, outL, outR);
    }

    static float signal(int32_t i, int channel)
    {
        const auto t = static_cast<float>(i);
        return 0.6f * std::sin(t * (channel ? 0.0123f : 0.0071f)) + 0.1f * std::cos(t * 1.7f + channel);
    }

    std::vector<float> inL, inR;
};

VstSpeakerArrangement arrangementOf(VstInt32 channels)
{
    VstSpeakerArrangement arrangement{};
    arrangement.numChannels = channels;
    return arrangement;
}
} // namespace

TEST_F(Audio, ResumeAsksForTheBlockSizeAndReportsTheIoChange)
{
    host.blockSizeAnswer = 512;
    host.clearCalls();
    host.start(96000.0f, 512);
    EXPECT_EQ(host.callsWith(audioMasterGetBlockSize).size(), 1u);
    EXPECT_EQ(host.callsWith(audioMasterIOChanged).size(), 1u);
    host.dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(host.callsWith(audioMasterIOChanged).size(), 2u);
}

TEST_F(Audio, MixZeroPassesTheDryInputTimesTheOutputGainAtEveryRateAndBlockSize)
{
    const float outputValue = 0.7f;
    const float gain = 4.0f * outputValue * outputValue;
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 176400.0f, 192000.0f, 384000.0f})
    {
        host.dispatch(effMainsChanged, 0, 0);
        host.setParameter(9, 0.0f);
        host.setParameter(10, outputValue);
        host.start(rate, 4096);
        int32_t offset = 0;
        for (int32_t n : {1, 2, 3, 31, 32, 33, 256, 4096, 65536, 7, 5, 3, 1, 4095, 33})
        {
            std::vector<float> outL, outR;
            processSignal(n, offset, outL, outR);
            for (size_t i = 0; i < outL.size(); ++i)
            {
                ASSERT_EQ(outL[i], inL[i] * gain) << rate << " n " << n << " i " << i;
                ASSERT_EQ(outR[i], inR[i] * gain) << rate << " n " << n << " i " << i;
            }
            offset += n;
        }
    }
}

TEST_F(Audio, MonoLayoutsFoldDownAndCopyTheLeftInput)
{
    host.setParameter(9, 0.0f);
    host.start(44100.0f, 256);
    VstSpeakerArrangement in = arrangementOf(1);
    VstSpeakerArrangement out = arrangementOf(1);
    ASSERT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    std::vector<float> outL, outR(256, 5.0f);
    processSignal(256, 0, outL, outR);
    for (size_t i = 0; i < 256; ++i)
    {
        ASSERT_EQ(outL[i], (inL[i] + inL[i]) * 0.5f) << i;
        ASSERT_EQ(outR[i], 5.0f) << i;
    }

    // One input, two outputs: both carry the left input.
    out = arrangementOf(2);
    ASSERT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    processSignal(256, 256, outL, outR);
    for (size_t i = 0; i < 256; ++i)
    {
        ASSERT_EQ(outL[i], inL[i]) << i;
        ASSERT_EQ(outR[i], inL[i]) << i;
    }
}

TEST_F(Audio, PinsAreQueriedOncePerBlockAndUnconnectedOnesAreLeftAlone)
{
    host.setParameter(9, 0.0f);
    host.start(44100.0f, 256);
    host.clearCalls();
    std::vector<float> outL, outR;
    processSignal(256, 0, outL, outR);
    const auto queries = host.callsWith(audioMasterPinConnected);
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_EQ(queries[0].index, 1);
    EXPECT_EQ(queries[0].value, 0); // the second input
    EXPECT_EQ(queries[1].index, 1);
    EXPECT_EQ(queries[1].value, 1); // the second output

    // Neither second pin connected: the left input feeds both channels, and
    // the right value lands on the first output.
    host.pinConnectedAnswer = 1;
    outR.assign(256, 3.0f);
    processSignal(256, 256, outL, outR);
    for (size_t i = 0; i < 256; ++i)
    {
        ASSERT_EQ(outL[i], inL[i]) << i;
        ASSERT_EQ(outR[i], 3.0f) << i;
    }
}

TEST_F(Audio, InPlaceProcessingMatchesSeparateBuffers)
{
    TestHost other;
    ASSERT_NE(other.load(module), nullptr);
    for (float rate : {44100.0f, 96000.0f, 192000.0f})
    {
        host.start(rate, 1024);
        other.start(rate, 1024);
        int32_t offset = 0;
        for (int32_t n : {1024, 333, 1, 64, 4097, 2})
        {
            std::vector<float> outL, outR;
            processSignal(n, offset, outL, outR);

            std::vector<float> bufL(inL), bufR(inR);
            float* buffers[2] = {bufL.data(), bufR.data()};
            other.effect()->processReplacing(other.effect(), buffers, buffers, n);
            ASSERT_EQ(bufL, outL) << rate << " " << n;
            ASSERT_EQ(bufR, outR) << rate << " " << n;
            offset += n;
        }
        host.dispatch(effMainsChanged, 0, 0);
        other.dispatch(effMainsChanged, 0, 0);
    }
}

TEST_F(Audio, NullBuffersAndEmptyBlocksAreIgnored)
{
    host.start(44100.0f, 256);
    AEffect* effect = host.effect();
    std::vector<float> data(16, 0.25f);
    float* one[2] = {data.data(), nullptr};
    float* none[2] = {nullptr, nullptr};
    effect->processReplacing(effect, nullptr, one, 16);
    effect->processReplacing(effect, none, one, 16);
    effect->processReplacing(effect, one, one, 0);
    effect->processReplacing(effect, one, one, -5);
    for (float value : data)
        EXPECT_EQ(value, 0.25f);
    // A missing second buffer counts as an unconnected pin.
    host.setParameter(9, 0.0f);
    effect->processReplacing(effect, one, one, 16);
    for (float value : data)
        EXPECT_EQ(value, 0.25f);
}

TEST(EmptyBlock, CountsForTheMetersWhateverTheBuffers)
{
    Corvanta effect(silentHostCallback);
    effect.setSampleRate(48000.0f);
    effect.resume();
    const ReverbEngine& engine = effect.getEngine();
    effect.processReplacing(nullptr, nullptr, 0);
    EXPECT_EQ(engine.blockCount, 1);
    EXPECT_EQ(engine.needsPrepare, 0);
    std::vector<float> data(8, 0.5f);
    float* channels[2] = {data.data(), data.data()};
    effect.processReplacing(channels, channels, 0);
    EXPECT_EQ(engine.blockCount, 2);
    effect.processReplacing(channels, channels, -1);
    EXPECT_EQ(engine.blockCount, 2);
    for (float value : data)
        EXPECT_EQ(value, 0.5f);
}

TEST(NewInstance, StartsWithoutATypeFadeAndOpensTheWetPath)
{
    // Fixed: selecting program 0 at construction no longer starts a type fade
    // that muted the wet path for the first half second.
    Corvanta effect(silentHostCallback);
    ReverbEngine& engine = effect.getEngine();
    EXPECT_EQ(engine.typeFadeCount, 0);
    EXPECT_EQ(engine.currentType, kAmbience);
    EXPECT_EQ(engine.wetFade, 0.0f);

    effect.setSampleRate(48000.0f);
    effect.resume();
    std::vector<float> in(1000, 0.1f), outL(1000), outR(1000);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    for (int b = 0; b < 5; ++b)
    {
        const uint16_t before = engine.inputPos;
        effect.processReplacing(inputs, outputs, 1000);
        EXPECT_EQ(engine.inputPos, static_cast<uint16_t>(before + 1000)) << b; // the algorithm runs at once
    }
    EXPECT_GT(engine.wetFade, 0.99f);
    effect.processReplacing(inputs, outputs, 1000);
    EXPECT_EQ(engine.wetFade, 1.0f);
}
