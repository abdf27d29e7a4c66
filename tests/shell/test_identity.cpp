// Who the effect says it is and what it negotiates with the host.
#include "Corvanta.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
class Identity : public LoadedPlugin
{
protected:
    VstIntPtr canDo(const char* text)
    {
        char buffer[128] = {};
        std::strncpy(buffer, text, sizeof(buffer) - 1);
        return host.dispatch(effCanDo, 0, 0, buffer);
    }
};

VstSpeakerArrangement arrangementOf(VstInt32 channels)
{
    VstSpeakerArrangement arrangement{};
    arrangement.numChannels = channels;
    return arrangement;
}
} // namespace

TEST_F(Identity, NamesAndVersions)
{
    char text[256] = {};
    EXPECT_EQ(host.dispatch(effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, "ORV Corvanta");
    EXPECT_EQ(host.dispatch(effGetProductString, 0, 0, text), 1);
    EXPECT_STREQ(text, "ORV Corvanta - general purpose reverb plug-in");
    EXPECT_EQ(host.dispatch(effGetVendorString, 0, 0, text), 1);
    EXPECT_GT(std::strlen(text), 0u);
    EXPECT_EQ(host.dispatch(effGetVendorVersion), 1600);
    EXPECT_EQ(host.dispatch(effGetPlugCategory), kPlugCategRoomFx);
}

TEST_F(Identity, CanDoMatchesWholeTextsOnly)
{
    for (const char* yes : {"offline", "plugAsChannelInsert", "plugAsSend", "mixDryWet", "1in1out", "1in2out",
                            "2in2out"})
        EXPECT_EQ(canDo(yes), 1) << yes;
    for (const char* no : {"2in2outX", "2in2", "", "receiveVstMidiEvent", "bypass", "2IN2OUT", "sendVstMidiEvent"})
        EXPECT_EQ(canDo(no), 0) << no;
}

TEST_F(Identity, PinProperties)
{
    VstPinProperties pin{};
    std::strcpy(pin.shortLabel, "keep");
    pin.arrangementType = 77;
    EXPECT_EQ(host.dispatch(effGetInputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "ORV Quadrel 2 In");
    EXPECT_EQ(pin.flags, 3);
    EXPECT_STREQ(pin.shortLabel, "keep");
    EXPECT_EQ(pin.arrangementType, 77);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "ORV Quadrel 1 Out");

    VstPinProperties untouched{};
    std::strcpy(untouched.label, "host's");
    untouched.flags = 99;
    EXPECT_EQ(host.dispatch(effGetInputProperties, 2, 0, &untouched), 0);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, -1, 0, &untouched), 0);
    EXPECT_STREQ(untouched.label, "host's");
    EXPECT_EQ(untouched.flags, 99);
}

TEST_F(Identity, SpeakerArrangementAnswersThroughTheDispatcher)
{
    VstSpeakerArrangement in = arrangementOf(2);
    VstSpeakerArrangement out = arrangementOf(1);
    EXPECT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    in = arrangementOf(1);
    out = arrangementOf(2);
    EXPECT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    EXPECT_EQ(host.dispatch(effSetSpeakerArrangement, 0, 0, &out), 0);
    EXPECT_EQ(host.effect()->numInputs, 2);
    EXPECT_EQ(host.effect()->numOutputs, 2);
}

TEST(SpeakerArrangement, SetsTheChannelLayoutFlags)
{
    Corvanta effect(silentHostCallback);
    const ReverbEngine& engine = effect.getEngine();
    struct Case
    {
        VstInt32 ins, outs;
        bool accepted;
        int stereoIn, stereoOut;
    };
    const Case cases[] = {{2, 1, false, 1, 1}, {1, 2, true, 0, 1}, {1, 1, true, 0, 0}, {2, 2, true, 1, 1},
                          {1, 1, true, 0, 0},  {0, 2, false, 1, 1}, {3, 2, false, 1, 1}, {2, 8, false, 1, 1}};
    for (const Case& c : cases)
    {
        VstSpeakerArrangement in = arrangementOf(c.ins);
        VstSpeakerArrangement out = arrangementOf(c.outs);
        EXPECT_EQ(effect.setSpeakerArrangement(&in, &out), c.accepted) << c.ins << "x" << c.outs;
        EXPECT_EQ(engine.stereoIn, c.stereoIn) << c.ins << "x" << c.outs;
        EXPECT_EQ(engine.stereoOut, c.stereoOut) << c.ins << "x" << c.outs;
    }
    EXPECT_FALSE(effect.setSpeakerArrangement(nullptr, nullptr));
    EXPECT_EQ(engine.stereoIn, 1);
}
