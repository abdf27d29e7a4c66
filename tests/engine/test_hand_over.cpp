// The hand-over between the control threads and the audio thread: a change
// that lands while a block is between taking the changes and its prepare is
// neither lost nor half applied, and a meter clear never drops a peak the
// editor has not read.
#include "Parameters.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
constexpr int32_t kBlock = 256;
constexpr int32_t kLanding = 100; // after the 20000 samples of the first type fade

struct Instance
{
    ReverbEngine engine;
    ParameterModel params{engine};

    void set(int32_t index, float x)
    {
        float stored = 0.0f;
        params.apply(index, x, stored);
    }

    std::vector<float> block(const std::vector<float>& inL, const std::vector<float>& inR)
    {
        std::vector<float> outL(kBlock), outR(kBlock);
        const float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        engine.process(inputs, outputs, kBlock, PinConnections{});
        outL.insert(outL.end(), outR.begin(), outR.end());
        return outL;
    }
};

// What a host's automation thread sends: network, tone, pre-delay and type.
void automate(Instance& instance)
{
    instance.set(kDecay, 0.9f);
    instance.set(kLowFreq, 0.3f);
    instance.set(kPreDelay, 0.3f);
    instance.set(kType, typeNormalizedValue(kPlate));
}

std::vector<float> noise(uint32_t& seed)
{
    std::vector<float> samples(kBlock);
    for (float& x : samples)
    {
        seed = seed * 1664525u + 1013904223u;
        x = 0.5f * (static_cast<float>(seed >> 8) * (2.0f / 16777216.0f) - 1.0f);
    }
    return samples;
}
} // namespace

TEST(HandOver, AChangeLandingBeforeThePrepareIsAppliedWholeByTheNextBlock)
{
    // Once the first type fade is over, `during` receives the changes through
    // the seam of a block, after the block took its changes and before its
    // prepare; `between` receives them after that block. Both must sound the
    // same, block for block: that block runs on the old values, the next on
    // all the new ones, pre-delay move and type fade included.
    Instance during;
    Instance between;
    for (Instance* instance : {&during, &between})
    {
        instance->engine.resume(44100.0f, kBlock);
        instance->set(kType, typeNormalizedValue(kHall));
        instance->set(kMix, 0.7f);
    }
    struct Landing
    {
        Instance* instance;
        int32_t block = 0;
    } landing{&during};
    during.engine.afterTakingChanges = {[](void* context) {
                                            auto* l = static_cast<Landing*>(context);
                                            if (++l->block == kLanding)
                                                automate(*l->instance);
                                        },
                                        &landing};

    uint32_t seed = 99u;
    for (int32_t b = 1; b <= kLanding + 100; ++b)
    {
        const std::vector<float> inL = noise(seed);
        const std::vector<float> inR = noise(seed);
        ASSERT_EQ(during.block(inL, inR), between.block(inL, inR)) << "block " << b;
        if (b == kLanding)
        {
            EXPECT_EQ(during.engine.decay, 0.5f) << "the block that was running kept the old value";
            automate(between);
        }
        if (b == kLanding + 1)
        {
            EXPECT_EQ(during.engine.decay, 0.9f);
            EXPECT_EQ(during.engine.pendingType, static_cast<float>(kPlate));
        }
    }
    EXPECT_EQ(during.engine.currentType, kPlate);
}

TEST(HandOver, AMeterClearFromAnOlderReadingKeepsTheNewerPeak)
{
    ReverbEngine engine;
    engine.resume(44100.0f, kBlock);
    engine.mix = 0.0f; // dry at unity gain: a block's peak is its input level
    const auto play = [&](float level) {
        const std::vector<float> in(kBlock, level);
        std::vector<float> out(kBlock);
        const float* inputs[2] = {in.data(), in.data()};
        float* outputs[2] = {out.data(), out.data()};
        engine.process(inputs, outputs, kBlock, PinConnections{});
    };

    play(0.5f);
    const MeterReading seen = engine.meters.read();
    EXPECT_EQ(seen.peakL, 0.5f);
    play(0.9f);                        // a block ends before the editor's clear arrives
    engine.meters.requestClear(seen);
    play(0.1f);
    EXPECT_EQ(engine.meters.read().peakL, 0.9f) << "a peak the editor never read was cleared";

    engine.meters.requestClear(engine.meters.read());
    play(0.1f);
    EXPECT_EQ(engine.meters.read().peakL, 0.1f);
    EXPECT_EQ(engine.meters.read().peakR, 0.1f);
}
