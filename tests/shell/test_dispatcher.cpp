// The dispatcher as a host drives it: every opcode's answer, and bad input.
#include "TestHost.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <thread>

namespace
{
using Dispatcher = LoadedPlugin;
} // namespace

TEST_F(Dispatcher, FixedAnswers)
{
    EXPECT_EQ(host.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(host.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host.dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(host.dispatch(effSetTotalSampleToProcess, 0, -7), -7);
    EXPECT_EQ(host.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(host.dispatch(effGetTailSize), 0);
    EXPECT_EQ(host.dispatch(effString2Parameter, 3, 0, const_cast<char*>("0.5")), 0);
    EXPECT_EQ(host.dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(host.dispatch(effOpen), 0);
}

TEST_F(Dispatcher, EveryIndexCanBeAutomated)
{
    for (VstInt32 index : {0, 1, 15, 16, 17, 1000, -1, INT_MAX, INT_MIN})
        EXPECT_EQ(host.dispatch(effCanBeAutomated, index), 1) << index;
}

TEST_F(Dispatcher, HostCannotSwitchPrograms)
{
    for (VstIntPtr program : {0, 1, 5, 52, -1})
    {
        EXPECT_EQ(host.dispatch(effSetProgram, 0, program), 0);
        EXPECT_EQ(host.dispatch(effGetProgram), 0);
    }
    EXPECT_EQ(host.programName(), "Current");
}

TEST_F(Dispatcher, NoChunkIsOfferedOrAccepted)
{
    void* untouched = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(host.dispatch(effGetChunk, 0, 0, &untouched), 0);
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(host.dispatch(effGetChunk, 1, 0, &untouched), 0);
    char chunk[64] = "junk";
    EXPECT_EQ(host.dispatch(effSetChunk, 0, sizeof(chunk), chunk), 0);
    EXPECT_EQ(host.dispatch(effSetChunk, 1, -5, nullptr), 0);
    EXPECT_EQ(host.programName(), "Current");
}

TEST_F(Dispatcher, SpeakerArrangementIsNotReportedBack)
{
    VstSpeakerArrangement arrangement{};
    VstSpeakerArrangement* input = &arrangement;
    VstSpeakerArrangement* output = &arrangement;
    EXPECT_EQ(host.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(host.dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST_F(Dispatcher, UnlistedAndDeprecatedOpcodesAnswerZero)
{
    char buffer[256] = {};
    for (VstInt32 opcode : {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 25, 38, 39, 40,
                            41, 50, 62, 64, 65, 66, 67, 68, 70, 71, 72, 74, 75, 76, 77, 78, 79, 80, 1000, -1})
    {
        EXPECT_EQ(host.dispatch(opcode, 0, 0, buffer), 0) << opcode;
        EXPECT_EQ(host.dispatch(opcode, -3, -3, nullptr), 0) << opcode;
    }
}

#if !CORVANTA_PLUGIN_HAS_EDITOR
TEST_F(Dispatcher, EditorOpcodesWithoutAnEditorDoNothing)
{
    ERect* rect = reinterpret_cast<ERect*>(0x1);
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(host.dispatch(effEditKeyUp, 'a', 0, nullptr, 1e30f), 0);
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 2), 0);
}
#else
TEST_F(Dispatcher, EditorOpcodesReachTheEditor)
{
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 294);
    EXPECT_EQ(rect->right, 300);
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 2), 1);
    // Closed, the editor uses no keys, and idling or closing it does nothing.
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(host.dispatch(effEditKeyUp, 'a', 0, nullptr, 1e30f), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    // A window the window system does not know (or none at all here) opens nothing.
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x1ffffff0})), 0);
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
}

TEST_F(Dispatcher, ParametersChangeFromAnotherThreadWhileTheHostIdlesTheEditor)
{
    std::thread automation([this] {
        for (int i = 0; i < 5000; ++i)
            host.effect()->setParameter(host.effect(), 3, static_cast<float>(i % 100) / 100.0f);
        host.effect()->setParameter(host.effect(), 3, 0.25f);
    });
    for (int i = 0; i < 2000; ++i)
        host.dispatch(effEditIdle);
    automation.join();
    EXPECT_EQ(host.parameterDisplay(3), "25%");
}
#endif

TEST_F(Dispatcher, NullPointersFromTheHostAreHarmless)
{
    for (VstInt32 opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                            effGetParamName, effGetProgramNameIndexed, effGetInputProperties, effGetOutputProperties,
                            effGetEffectName, effGetVendorString, effGetProductString, effCanDo,
                            effGetParameterProperties, effSetSpeakerArrangement, effEditGetRect, effEditOpen,
                            effShellGetNextPlugin, effGetMidiKeyName, effProcessEvents, effGetChunk, effSetChunk})
        EXPECT_EQ(host.dispatch(opcode, 0, 0, nullptr), 0) << opcode;
    EXPECT_EQ(host.programName(), "Current");
}

TEST_F(Dispatcher, OutOfRangeIndicesGetEmptyAnswers)
{
    for (VstInt32 index : {-1, 16, 18, 255, INT_MAX, INT_MIN})
    {
        EXPECT_EQ(host.parameterName(index), "") << index;
        EXPECT_EQ(host.parameterDisplay(index), "") << index;
        char label[64] = "x";
        host.dispatch(effGetParamLabel, index, 0, label);
        EXPECT_STREQ(label, "   ");
        EXPECT_EQ(host.getParameter(index), 0.0f) << index;
        host.setParameter(index, 0.7f);
        EXPECT_EQ(host.getParameter(index), 0.0f) << index;
        VstPinProperties pin{};
        EXPECT_EQ(host.dispatch(effGetInputProperties, index, 0, &pin), 0) << index;
        EXPECT_EQ(host.dispatch(effGetOutputProperties, index, 0, &pin), 0) << index;
        char name[64] = "untouched";
        EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, index, 0, name), 0);
        EXPECT_STREQ(name, "untouched");
    }
    EXPECT_EQ(host.parameterDisplay(3), "50%");
}

TEST_F(Dispatcher, SampleRateAndBlockSizeAreStoredAndResumeAsksTheHost)
{
    host.blockSizeAnswer = 512;
    host.clearCalls();
    host.start(48000.0f, 256);
    EXPECT_FALSE(host.callsWith(audioMasterIOChanged).empty());
    host.dispatch(effMainsChanged, 0, 0);
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effMainsChanged, 0, 0);
    // No MIDI is ever requested: the effect does not receive MIDI events.
    EXPECT_TRUE(host.callsWith(audioMasterWantMidi).empty());
}

TEST_F(Dispatcher, CloseDeletesTheInstance)
{
    EXPECT_EQ(host.close(), 1);
    EXPECT_EQ(host.effect(), nullptr);
}
