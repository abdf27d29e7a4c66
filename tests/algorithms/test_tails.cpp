// What a host hears of each algorithm type: each is reached through Type and
// through its factory programs with the type fade; with Power off its tail dies away and the engine goes to sleep; at
// Decay 1 a minute of full-scale noise leaves its output bounded.
#include "Corvanta.h"
#include "KernelRig.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

namespace
{
constexpr VstInt32 kBlock = 512;

struct TypeCase
{
    AlgorithmType type;
    VstInt32 factoryProgram; // a program filed under the type
    const char* name;
};

void PrintTo(const TypeCase& c, std::ostream* os)
{
    *os << c.name;
}

// Drives an effect constructed in-process, so tests can look at the engine.
class InProcessHost
{
public:
    InProcessHost()
    {
        effect.setSampleRate(44100.0f);
        effect.setBlockSize(kBlock);
        effect.resume();
    }

    // One block; returns the largest output magnitude of the block.
    float process(const std::vector<float>& left, const std::vector<float>& right)
    {
        inL = left;
        inR = right;
        outL.assign(left.size(), 0.0f);
        outR.assign(left.size(), 0.0f);
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect.processReplacing(inputs, outputs, static_cast<VstInt32>(left.size()));
        float peak = 0.0f;
        for (size_t i = 0; i < outL.size(); ++i)
            peak = std::max({peak, std::fabs(outL[i]), std::fabs(outR[i])});
        return peak;
    }

    float silentBlock()
    {
        const std::vector<float> silence(kBlock, 0.0f);
        return process(silence, silence);
    }

    // Runs silent blocks until the type fade is over.
    void finishFade()
    {
        effect.getEngine().takeChanges(); // a Type set since the last block starts its fade
        for (int32_t guard = 0; effect.getEngine().typeFadeCount != 0 && guard < 100; ++guard)
            silentBlock();
    }

    Corvanta effect{silentHostCallback};
    std::vector<float> inL, inR, outL, outR;
};

class NetworkTails : public ::testing::TestWithParam<TypeCase>
{
};

std::vector<float> noiseBlock(uint32_t& seed, float amplitude)
{
    std::vector<float> block(kBlock);
    for (float& sample : block)
    {
        seed = seed * 1664525u + 1013904223u;
        sample = amplitude * (static_cast<float>(seed >> 8) * (2.0f / 16777216.0f) - 1.0f);
    }
    return block;
}
} // namespace

TEST_P(NetworkTails, ChosenThroughTypeAndFactoryProgramsWithTheFade)
{
    const TypeCase& c = GetParam();
    for (bool throughProgram : {false, true})
    {
        InProcessHost host;
        ReverbEngine& engine = host.effect.getEngine();
        // The Ambience is where the engine starts, so it is reached from the Plate.
        const AlgorithmType from = c.type == kAmbience ? kPlate : kAmbience;
        host.effect.setParameter(kType, typeNormalizedValue(from));
        host.finishFade();
        ASSERT_EQ(engine.currentType, from);
        if (throughProgram)
            host.effect.selectProgram(c.factoryProgram);
        else
            host.effect.setParameter(kType, typeNormalizedValue(c.type));
        engine.takeChanges(); // as the next block starts
        EXPECT_EQ(engine.typeFadeCount, 20000) << c.name;

        // The old type runs on while its wet signal fades out; the switch
        // comes 5000 samples plus one block in; then the engine stays muted.
        host.silentBlock();
        EXPECT_EQ(engine.currentType, from) << c.name;
        for (int32_t i = 0; i < 10; ++i)
            host.silentBlock();
        EXPECT_EQ(engine.currentType, c.type) << c.name;
        EXPECT_LE(engine.typeFadeCount, 5000);
        EXPECT_EQ(engine.wetFade, 0.0f);
        host.finishFade();

        // The new network answers a click.
        host.effect.setParameter(kMix, 1.0f);
        std::vector<float> click(kBlock, 0.0f);
        click[0] = 1.0f;
        float peak = host.process(click, click);
        for (int32_t i = 0; i < 8; ++i)
            peak = std::max(peak, host.silentBlock());
        EXPECT_GT(peak, 0.01f) << c.name;
    }
}

TEST_P(NetworkTails, PowerOffLetsTheTailDieAndTheEngineSleep)
{
    const TypeCase& c = GetParam();
    InProcessHost host;
    ReverbEngine& engine = host.effect.getEngine();
    host.effect.setParameter(kType, typeNormalizedValue(c.type));
    host.finishFade();
    host.effect.setParameter(kMix, 1.0f);

    uint32_t seed = 7u;
    float loud = 0.0f;
    for (int32_t i = 0; i < 40; ++i)
        loud = std::max(loud, host.process(noiseBlock(seed, 0.5f), noiseBlock(seed, 0.5f)));
    ASSERT_GT(loud, 0.01f) << c.name;

    // Power off: the input no longer reaches the network, even while it
    // goes on, and the tail falls away.
    host.effect.setParameter(kPower, 0.0f);
    engine.takeChanges(); // as the next block starts
    EXPECT_EQ(engine.powerOn, 0);
    // Peaks of the first and the last 0.1 s of one second.
    float first = 0.0f;
    float last = 0.0f;
    for (int32_t i = 0; i < 86; ++i)
    {
        const float peak = host.process(noiseBlock(seed, 0.5f), noiseBlock(seed, 0.5f));
        if (i < 8)
            first = std::max(first, peak);
        else if (i >= 78)
            last = std::max(last, peak);
    }
    EXPECT_LT(last, 0.5f * first) << c.name;

    // On silence the tail dies away and the engine goes to sleep (after a
    // second below the silence threshold); then its positions stand still.
    int32_t blocks = 0;
    while (engine.activityCount > 0 && blocks < 40 * 86)
    {
        host.silentBlock();
        ++blocks;
    }
    EXPECT_LE(engine.activityCount, 0) << c.name;
    const int32_t ringPos = engine.ringPos;
    host.silentBlock();
    EXPECT_EQ(engine.ringPos, ringPos) << c.name;
}

TEST_P(NetworkTails, DecayOneStaysBoundedUnderAMinuteOfFullScaleNoise)
{
    const TypeCase& c = GetParam();
    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    host.start(44100.0f, kBlock);
    host.setParameter(kType, typeNormalizedValue(c.type));
    host.setParameter(kDecay, 1.0f);
    host.setParameter(kHighDamp, 0.0f);
    host.setParameter(kMix, 1.0f);

    std::vector<float> inL, inR, outL, outR;
    const std::vector<float> silence(kBlock, 0.0f);
    for (int32_t done = 0; done < 21000; done += kBlock)
    {
        inL = silence;
        inR = silence;
        host.process(inL, inR, outL, outR);
    }

    // Peak of each second.
    constexpr int32_t kSeconds = 60;
    const int32_t blocksPerSecond = 44100 / kBlock;
    std::vector<float> peaks;
    uint32_t seed = 12345u;
    bool finite = true;
    for (int32_t second = 0; second < kSeconds; ++second)
    {
        float peak = 0.0f;
        for (int32_t b = 0; b < blocksPerSecond; ++b)
        {
            inL = noiseBlock(seed, 1.0f);
            inR = noiseBlock(seed, 1.0f);
            host.process(inL, inR, outL, outR);
            for (size_t i = 0; i < outL.size(); ++i)
            {
                finite = finite && std::isfinite(outL[i]) && std::isfinite(outR[i]);
                peak = std::max({peak, std::fabs(outL[i]), std::fabs(outR[i])});
            }
        }
        peaks.push_back(peak);
    }
    EXPECT_TRUE(finite) << c.name;
    // The level settles within seconds and then stays put.
    const float settled = *std::max_element(peaks.begin() + 10, peaks.begin() + 20);
    const float last = *std::max_element(peaks.end() - 10, peaks.end());
    EXPECT_GT(settled, 0.01f) << c.name;
    EXPECT_LT(last, 1.5f * settled) << c.name;
    EXPECT_LT(last, 20.0f) << c.name;
}

INSTANTIATE_TEST_SUITE_P(SpringChamberClub, NetworkTails,
                         ::testing::Values(TypeCase{kChamber, 13, "Chamber"}, TypeCase{kClub, 17, "Club"},
                                           TypeCase{kSpring, 39, "Spring"}),
                         [](const ::testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(AmbienceRoomHallPlate, NetworkTails,
                         ::testing::Values(TypeCase{kAmbience, 2, "Ambience"}, TypeCase{kRoom, 7, "Room"},
                                           TypeCase{kHall, 22, "Hall"}, TypeCase{kPlate, 48, "Plate"}),
                         [](const ::testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(ArenaCathedral, NetworkTails,
                         ::testing::Values(TypeCase{kArena, 27, "Arena"}, TypeCase{kCathedral, 31, "Cathedral"}),
                         [](const ::testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.name); });
