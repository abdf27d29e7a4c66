// What a host hears from the Arena and the Cathedral: chosen through Type and
// through their factory programs, the tail after Power goes off, the longest
// decay under full-scale noise, and golden renders.
#include "Algorithm.h"
#include "GoldenRender.h"
#include "HostChecks.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace
{
struct LadderType
{
    int32_t type;
    const char* name;
    int32_t firstProgram; // its factory programs
    int32_t lastProgram;
    const char* goldenHashes[3]; // at 44100, 96000 and 192000 Hz
};

// Names the case in test listings instead of a byte dump.
void PrintTo(const LadderType& type, std::ostream* os)
{
    *os << type.name;
}

constexpr float kGoldenRates[3] = {44100.0f, 96000.0f, 192000.0f};

class LadderHost : public ::testing::TestWithParam<LadderType>
{
};
} // namespace

TEST_P(LadderHost, ChosenThroughTypeAndThroughItsPrograms)
{
    const LadderType& p = GetParam();
    const TypeSelection byType = selectAndPlay(p.type, -1);
    EXPECT_EQ(byType.currentType, p.type);
    EXPECT_GT(byType.wetPeak, 1e-3f);
    for (int32_t program = p.firstProgram; program <= p.lastProgram; ++program)
    {
        const TypeSelection byProgram = selectAndPlay(p.type, program);
        EXPECT_EQ(byProgram.currentType, p.type) << program;
        EXPECT_GT(byProgram.wetPeak, 1e-3f) << program;
    }
}

TEST_P(LadderHost, PowerOffLetsTheTailDieAndTheEngineSleep)
{
    const PowerOffTail tail = powerOffTail(GetParam().type);
    EXPECT_GT(tail.peakBeforePowerOff, 0.01f);
    EXPECT_GT(tail.peakJustAfter, 0.01f);
    EXPECT_LT(tail.peakInTenthSecond, 1e-6f);
    EXPECT_TRUE(tail.sleptAfterInputStopped);
}

TEST_P(LadderHost, LongestDecayStaysBoundedUnderFullScaleNoise)
{
    const NoiseLoad load = fullScaleNoiseAtLongestDecay(GetParam().type, 60);
    EXPECT_TRUE(load.finite);
    EXPECT_GT(load.peakFirstThird, 0.1f);
    EXPECT_LT(load.peakLastThird, 2.0f * load.peakFirstThird);
    EXPECT_LT(load.peakLastThird, 20.0f);
}

TEST_P(LadderHost, GoldenRenders)
{
    if (!goldenHashesApply())
        GTEST_SKIP() << "hashes taken with glibc's maths library";
    for (int32_t i = 0; i < 3; ++i)
    {
        GoldenRenderSettings settings;
        settings.type = GetParam().type;
        settings.hostRate = kGoldenRates[i];
        EXPECT_EQ(hashSamples(renderGolden(settings)), GetParam().goldenHashes[i]) << settings.hostRate;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, LadderHost,
    ::testing::Values(LadderType{kArena, "Arena", 27, 30, {"3aa97dbd7280eedb", "6a8da6bd7ea029f0", "33c04204272f3736"}},
                      LadderType{kCathedral, "Cathedral", 31, 38,
                                 {"a533abfe37b479c7", "64b8bbfc2fb8884c", "8a94d24934e9e39d"}}),
    [](const ::testing::TestParamInfo<LadderType>& info) { return std::string(info.param.name); });
