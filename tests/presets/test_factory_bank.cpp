// The factory bank as it reaches the store and the host.
#include "Corvanta.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
std::string display(Corvanta& effect, VstInt32 index)
{
    char text[64] = {};
    effect.getParameterDisplay(index, text);
    return text;
}
} // namespace

TEST(FactoryBank, ANewInstanceRunsTheEditBuffer)
{
    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    EXPECT_EQ(host.programName(), "Current");
    EXPECT_EQ(host.parameterDisplay(1), "Ambience");
    EXPECT_EQ(host.parameterDisplay(5), "500Hz");
}

TEST(FactoryBank, EveryProgramSelectsTheTypeItIsFiledUnder)
{
    Corvanta effect(silentHostCallback);
    const struct
    {
        int first, last;
        const char* type;
    } groups[] = {{0, 6, "Ambience"},    {7, 12, "Room"},  {13, 16, "Chamber"}, {17, 21, "Club"},  {22, 26, "Hall"},
                  {27, 30, "Arena"}, {31, 38, "Cathedral"}, {39, 47, "Spring"}, {48, 52, "Plate"}};
    for (const auto& group : groups)
        for (int n = group.first; n <= group.last; ++n)
        {
            effect.selectProgram(n);
            EXPECT_EQ(display(effect, kType), group.type) << n;
            EXPECT_STREQ(effect.getStoredProgram(0)->name(), kFactoryBank[n].name);
            if (n >= 2)
            {
                EXPECT_EQ(display(effect, kLowFreq), "112Hz") << n;
                EXPECT_EQ(display(effect, kLowGain), "-6.0dB") << n;
                EXPECT_EQ(display(effect, kHighGain), "-3.0dB") << n;
            }
            EXPECT_EQ(display(effect, kHighFreq), "1.00kHz");
            EXPECT_EQ(display(effect, kPreDelay), "0ms");
        }
}

TEST(FactoryBank, NamedExamples)
{
    Corvanta effect(silentHostCallback);
    effect.selectProgram(29);
    EXPECT_STREQ(effect.getStoredProgram(0)->name(), "Dark Reflections");
    EXPECT_EQ(display(effect, kType), "Arena");
    EXPECT_EQ(display(effect, kDecay), "0%");
    effect.selectProgram(47);
    EXPECT_EQ(display(effect, kHighDamp), "100%");
    effect.selectProgram(46);
    EXPECT_STREQ(effect.getStoredProgram(0)->name(), "Singing in the bathroom");
    effect.selectProgram(1);
    EXPECT_STREQ(effect.getStoredProgram(0)->name(), "Default");
}

TEST(FactoryBank, NamesFitAndFirstOfEachGroupIsBasic)
{
    size_t longest = 0;
    for (const FactoryProgram& program : kFactoryBank)
        longest = std::max(longest, std::strlen(program.name));
    EXPECT_EQ(longest, 23u);
    for (int n : {2, 7, 13, 17, 22, 27, 31, 39, 48})
    {
        EXPECT_EQ(std::string(kFactoryBank[n].name).rfind("Basic ", 0), 0u) << n;
        EXPECT_EQ(kFactoryBank[n].values[kDecay], 0.5);
        EXPECT_EQ(kFactoryBank[n].values[kHighDamp], 0.1);
    }
}

TEST(FactoryBank, EditBufferAndDefaultHoldTheValuesOfANewProgram)
{
    Corvanta effect(silentHostCallback);
    const CProgram fresh;
    for (VstInt32 n : {0, 1})
        for (VstInt32 i = 0; i < 16; ++i)
            EXPECT_EQ(effect.getStoredProgram(n)->getParameter(i), fresh.getParameter(i)) << n << "/" << i;
}
