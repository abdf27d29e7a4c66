// The parameter model as the host sees it, and what it writes into the engine.
#include "Corvanta.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
using Parameters = LoadedPlugin;
} // namespace

TEST_F(Parameters, NamesLabelsAndDefaults)
{
    const char* names[] = {"Power",    "Type",     "PreDely", "Decay",  "HighDamp", "LowFreq", "LowGain", "HighFreq",
                           "HighGain", "Mix",      "Output",  "",       "",         "",        "",        ""};
    const char* displays[] = {"On",     "Ambience", "0ms", "50%", "10%", "500Hz", "0.0dB", "1.00kHz",
                              "0.0dB",  "50%",      "0.0dB", "",   "",    "",      "",      ""};
    for (VstInt32 i = 0; i < 16; ++i)
    {
        EXPECT_EQ(host.parameterName(i), names[i]) << i;
        EXPECT_EQ(host.parameterDisplay(i), displays[i]) << i;
        char label[64] = {};
        host.dispatch(effGetParamLabel, i, 0, label);
        EXPECT_STREQ(label, "   ");
    }
    EXPECT_FLOAT_EQ(host.getParameter(1), 0.01f);
    EXPECT_FLOAT_EQ(host.getParameter(0), 1.0f);
}

TEST_F(Parameters, TypeIsQuantisedAndOneMeansPlate)
{
    host.setParameter(1, 1.0f);
    EXPECT_EQ(host.parameterDisplay(1), "Plate");
    EXPECT_FLOAT_EQ(host.getParameter(1), 0.8988889f);

    const float kept[] = {0.01f, 0.1211111f, 0.2322222f, 0.3433333f, 0.4544444f,
                          0.5655556f, 0.6766667f, 0.7877778f, 0.8988889f};
    const char* names[] = {"Ambience", "Room", "Chamber", "Club", "Hall", "Arena", "Cathedral", "Spring", "Plate"};
    for (int type = 0; type < 9; ++type)
    {
        // Just inside each type's range, from its lower boundary (k - 0.01) / 9.
        const float x = (static_cast<float>(type) - 0.01f) / 9.0f + 0.001f;
        host.setParameter(1, x);
        EXPECT_EQ(host.parameterDisplay(1), names[type]) << x;
        EXPECT_FLOAT_EQ(host.getParameter(1), kept[type]) << x;
    }
    host.setParameter(1, 0.0f);
    EXPECT_EQ(host.parameterDisplay(1), "Ambience");
    host.setParameter(1, (1.0f - 0.01f) / 9.0f - 0.0005f);
    EXPECT_EQ(host.parameterDisplay(1), "Ambience");
}

TEST(TypeFade, StartsOnlyWhenTheValueDiffersFromTheKeptOne)
{
    Corvanta effect(silentHostCallback);
    ReverbEngine& engine = effect.getEngine();
    // A new instance runs "Ambience" without fading in from a type change.
    EXPECT_EQ(engine.typeFadeCount, 0);
    EXPECT_EQ(engine.pendingType, 0.0f);

    // The engine takes each change as its next block starts.
    effect.setParameter(kType, 0.6f);
    engine.takeChanges();
    EXPECT_EQ(engine.typeFadeCount, 20000);
    EXPECT_EQ(engine.pendingType, 5.0f);

    engine.typeFadeCount = 0;
    effect.setParameter(kType, effect.getParameter(kType));
    engine.takeChanges();
    EXPECT_EQ(engine.typeFadeCount, 0);

    // Same type, different value: still a fade.
    effect.setParameter(kType, 0.62f);
    engine.takeChanges();
    EXPECT_EQ(engine.pendingType, 5.0f);
    EXPECT_EQ(engine.typeFadeCount, 20000);

    // The store keeps the clamped value of the change: 8/9 for 1, and a
    // positive zero for a negative one (the sign bit would reach the files).
    effect.setParameter(kType, 1.0f);
    EXPECT_EQ(effect.getStoredProgram(0)->getParameter(kType), 8.0f / 9.0f);
    effect.setParameter(kType, -0.0f);
    engine.takeChanges();
    EXPECT_EQ(engine.pendingType, 0.0f);
    EXPECT_FALSE(std::signbit(effect.getStoredProgram(0)->getParameter(kType)));
    // A value equal to the kept one is stored as it is.
    effect.setParameter(kType, 0.01f);
    EXPECT_EQ(effect.getStoredProgram(0)->getParameter(kType), 0.01f);
}

TEST_F(Parameters, DisplayTextsAtTheRangeEnds)
{
    host.setParameter(0, 0.49f);
    EXPECT_EQ(host.parameterDisplay(0), "Off");
    EXPECT_EQ(host.getParameter(0), 0.0f);
    host.setParameter(0, 0.5f);
    EXPECT_EQ(host.parameterDisplay(0), "On");
    EXPECT_EQ(host.getParameter(0), 1.0f);

    host.setParameter(10, 0.5f);
    EXPECT_EQ(host.parameterDisplay(10), "0.0dB");
    host.setParameter(10, 1.0f);
    EXPECT_EQ(host.parameterDisplay(10), "12.0dB");
    host.setParameter(10, 0.0f);
    EXPECT_EQ(host.parameterDisplay(10), "-oodB");

    host.setParameter(5, 0.0f);
    EXPECT_EQ(host.parameterDisplay(5), "25Hz");
    host.setParameter(5, 1.0f);
    EXPECT_EQ(host.parameterDisplay(5), "10.0kHz");
    host.setParameter(5, 0.25f);
    EXPECT_EQ(host.parameterDisplay(5), "112Hz");
    host.setParameter(7, 1.0f);
    EXPECT_EQ(host.parameterDisplay(7), "20.0kHz");
    host.setParameter(7, 0.5f);
    EXPECT_EQ(host.parameterDisplay(7), "1.00kHz");

    host.setParameter(6, 0.25f);
    EXPECT_EQ(host.parameterDisplay(6), "-6.0dB");
    host.setParameter(8, 0.35355f);
    EXPECT_EQ(host.parameterDisplay(8), "-3.0dB");
    host.setParameter(8, 0.0f);
    EXPECT_EQ(host.parameterDisplay(8), "-oodB");

    host.setParameter(9, 1.0f);
    EXPECT_EQ(host.parameterDisplay(9), "Wet");
    host.setParameter(9, 0.0f);
    EXPECT_EQ(host.parameterDisplay(9), "Dry");
    host.setParameter(9, 0.5f);
    EXPECT_EQ(host.parameterDisplay(9), "50%");

    host.setParameter(2, 0.5f);
    EXPECT_EQ(host.parameterDisplay(2), "250ms");
    host.setParameter(2, 1.0f);
    EXPECT_EQ(host.parameterDisplay(2), "1000ms");
    host.setParameter(3, 0.85f);
    EXPECT_EQ(host.parameterDisplay(3), "85%");
    host.setParameter(4, 0.0f);
    EXPECT_EQ(host.parameterDisplay(4), "0%");
}

TEST_F(Parameters, KeptValuesAreTheValuesSet)
{
    for (VstInt32 index : {2, 3, 4, 5, 6, 7, 8, 9, 10})
    {
        host.setParameter(index, 0.3f);
        EXPECT_EQ(host.getParameter(index), 0.3f) << index;
    }
}

TEST_F(Parameters, ValuesOutsideTheRangeAreClampedAndNanIgnored)
{
    const float infinity = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();

    host.setParameter(3, 1.7f);
    EXPECT_EQ(host.getParameter(3), 1.0f);
    EXPECT_EQ(host.parameterDisplay(3), "100%");
    host.setParameter(3, -0.3f);
    EXPECT_EQ(host.getParameter(3), 0.0f);
    EXPECT_EQ(host.parameterDisplay(3), "0%");
    host.setParameter(3, infinity);
    EXPECT_EQ(host.getParameter(3), 1.0f);
    host.setParameter(3, 0.4f);
    host.setParameter(3, nan);
    EXPECT_EQ(host.getParameter(3), 0.4f);
    EXPECT_EQ(host.parameterDisplay(3), "40%");

    host.setParameter(10, 1.7f);
    EXPECT_EQ(host.parameterDisplay(10), "12.0dB");
    host.setParameter(10, -infinity);
    EXPECT_EQ(host.parameterDisplay(10), "-oodB");
    host.setParameter(5, 1.7f);
    EXPECT_EQ(host.parameterDisplay(5), "10.0kHz");
    host.setParameter(1, nan);
    EXPECT_EQ(host.parameterDisplay(1), "Ambience");
    host.setParameter(1, 1.7f);
    EXPECT_EQ(host.parameterDisplay(1), "Plate");
    host.setParameter(0, -0.3f);
    EXPECT_EQ(host.parameterDisplay(0), "Off");
    host.setParameter(0, nan);
    EXPECT_EQ(host.parameterDisplay(0), "Off");
}

TEST(ParameterModelInternals, ClampReachesTheEngineAndTheStore)
{
    Corvanta effect(silentHostCallback);
    ReverbEngine& engine = effect.getEngine();
    // The engine takes each change as its next block starts.
    effect.setParameter(kDecay, 1.7f);
    engine.takeChanges();
    EXPECT_EQ(engine.decay, 1.0f);
    EXPECT_EQ(effect.getStoredProgram(0)->getParameter(kDecay), 1.0f);
    effect.setParameter(kOutput, 1.7f);
    engine.takeChanges();
    EXPECT_EQ(engine.outputGain, 4.0f);
    effect.setParameter(kDecay, std::numeric_limits<float>::quiet_NaN());
    engine.takeChanges();
    EXPECT_EQ(engine.decay, 1.0f);
    EXPECT_EQ(effect.getStoredProgram(0)->getParameter(kDecay), 1.0f);

    effect.setParameter(kLowFreq, 0.5f);
    effect.setParameter(kHighFreq, 0.0f);
    effect.setParameter(kLowGain, 0.75f);
    effect.setParameter(kPreDelay, 0.5f);
    effect.setParameter(kDiffusion, 0.3f);
    engine.takeChanges();
    EXPECT_FLOAT_EQ(engine.lowFreqHz, 500.0f);
    EXPECT_FLOAT_EQ(engine.highFreqHz, 50.0f);
    EXPECT_EQ(engine.lowGain, 1.5f);
    EXPECT_EQ(engine.preDelayTime, 0.25f);
    EXPECT_EQ(engine.diffusion, 0.3f);
    EXPECT_EQ(effect.getParameter(kDiffusion), 0.3f);
}

TEST(ParameterModelInternals, ChangesThatNeedAPrepareRaiseTheFlag)
{
    Corvanta effect(silentHostCallback);
    ReverbEngine& engine = effect.getEngine();
    for (VstInt32 index : {kPower, kDecay, kHighDamp, kLowFreq, kLowGain, kHighFreq, kHighGain, kDiffusion})
    {
        engine.needsPrepare = 0;
        effect.setParameter(index, 0.6f);
        engine.takeChanges();
        EXPECT_EQ(engine.needsPrepare, 1) << index;
    }
    for (VstInt32 index : {VstInt32{kMix}, VstInt32{kOutput}, VstInt32{12}})
    {
        engine.needsPrepare = 0;
        effect.setParameter(index, 0.6f);
        engine.takeChanges();
        EXPECT_EQ(engine.needsPrepare, 0) << index;
    }
}

TEST_F(Parameters, OnlyPowerHasProperties)
{
    VstParameterProperties properties{};
    properties.minInteger = 42;
    std::strcpy(properties.categoryLabel, "host");
    EXPECT_EQ(host.dispatch(effGetParameterProperties, 0, 0, &properties), 1);
    EXPECT_EQ(properties.flags, 5);
    EXPECT_STREQ(properties.label, "Power");
    EXPECT_EQ(std::string(properties.shortLabel, 5), "Power");
    EXPECT_EQ(properties.stepFloat, 1.0f);
    EXPECT_EQ(properties.smallStepFloat, 1.0f);
    EXPECT_EQ(properties.largeStepFloat, 1.0f);
    EXPECT_EQ(properties.minInteger, 42);
    EXPECT_STREQ(properties.categoryLabel, "host");

    VstParameterProperties untouched{};
    untouched.flags = 123;
    for (VstInt32 index : {1, 10, 15, 17, -1, 100000})
    {
        EXPECT_EQ(host.dispatch(effGetParameterProperties, index, 0, &untouched), 0);
        EXPECT_EQ(untouched.flags, 123);
    }
}

TEST(PreDelay, ReadPositionTrailsTheWritePosition)
{
    Corvanta effect(silentHostCallback);
    ReverbEngine& engine = effect.getEngine();
    engine.internalRate = 48000.0;
    engine.inputPos = 1000;
    // The move happens as the next block starts, with its rate and position.
    effect.setParameter(kPreDelay, 1.0f);
    engine.takeChanges();
    EXPECT_EQ(static_cast<uint16_t>(engine.inputPos - engine.preDelayPos), 48000);
    effect.setParameter(kPreDelay, 0.0f);
    engine.takeChanges();
    EXPECT_EQ(engine.preDelayPos, engine.inputPos);
}
