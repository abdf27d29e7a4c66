// The program store: selection, write-back, names and the announcements the
// host receives.
#include "AEffEditor.h"
#include "Corvanta.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
// A host that records calls, with an editor stand-in that records the
// notifications the effect sends it.
class RecordingEditor : public AEffEditor
{
public:
    using AEffEditor::AEffEditor;
    void setParameter(VstInt32 index, float value) override
    {
        lastIndex = index;
        lastValue = value;
        ++parameterCalls;
    }
    void updateProgramName(const char* name) override { programName = name; }

    VstInt32 lastIndex = -1;
    float lastValue = -1.0f;
    int parameterCalls = 0;
    std::string programName;
};

RecordingEditor* lastEditor = nullptr;
AEffEditor* makeRecordingEditor(AudioEffect* effect)
{
    lastEditor = new RecordingEditor(effect);
    return lastEditor;
}

class ProgramStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        effect = new Corvanta(TestHost::callback, makeRecordingEditor);
        editor = lastEditor;
    }
    void TearDown() override { delete effect; }

    TestHost host; // answers the callback while it lives
    Corvanta* effect = nullptr;
    RecordingEditor* editor = nullptr;
};
} // namespace

TEST_F(ProgramStore, SelectingAProgramMakesItCurrentAndCopiesItIntoTheEditBuffer)
{
    effect->selectProgram(7);
    char name[64] = {};
    effect->getProgramName(name);
    EXPECT_STREQ(name, "Basic Room");
    EXPECT_STREQ(effect->getStoredProgram(0)->name(), "Basic Room");
    EXPECT_EQ(effect->getCurrentProgramIndex(), 7);
    EXPECT_EQ(effect->getProgram(), 0);
    char display[64] = {};
    effect->getParameterDisplay(kType, display);
    EXPECT_STREQ(display, "Room");

    // A change now edits program 7 and the edit buffer, nothing else.
    effect->setParameter(kDecay, 0.9f);
    EXPECT_EQ(effect->getStoredProgram(7)->getParameter(kDecay), 0.9f);
    EXPECT_EQ(effect->getStoredProgram(0)->getParameter(kDecay), 0.9f);
    EXPECT_EQ(effect->getStoredProgram(6)->getParameter(kDecay), 0.19f);
    EXPECT_EQ(editor->lastIndex, kDecay);
    EXPECT_EQ(editor->lastValue, 0.9f);
}

TEST_F(ProgramStore, SelectionAnnouncesEveryParameterToTheHost)
{
    host.clearCalls();
    effect->selectProgram(52);
    std::vector<HostCall> calls;
    for (const HostCall& call : host.calls())
        if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterAutomate ||
            call.opcode == audioMasterEndEdit)
            calls.push_back(call);
    ASSERT_EQ(calls.size(), 64u);
    for (VstInt32 i = 0; i < 16; ++i)
    {
        const HostCall* c = &calls[static_cast<size_t>(i) * 4];
        EXPECT_EQ(c[0].opcode, audioMasterBeginEdit);
        EXPECT_EQ(c[1].opcode, audioMasterAutomate);
        EXPECT_EQ(c[2].opcode, audioMasterAutomate);
        EXPECT_EQ(c[3].opcode, audioMasterEndEdit);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(c[k].index, i);
    }
    // Type: first the quantised value the model keeps, then the stored one.
    EXPECT_FLOAT_EQ(calls[4 + 1].opt, 0.8988889f);
    EXPECT_FLOAT_EQ(calls[4 + 2].opt, 0.898889f);
    EXPECT_FALSE(host.callsWith(audioMasterUpdateDisplay).empty());
    EXPECT_EQ(host.calls().back().opcode, audioMasterUpdateDisplay);
}

TEST_F(ProgramStore, HostRenamingCutsTo24CharactersAndTellsTheEditor)
{
    effect->selectProgram(7);
    char longName[] = "abcdefghijklmnopqrstuvwxyz1234"; // 30 characters
    effect->getAeffect()->dispatcher(effect->getAeffect(), effSetProgramName, 0, 0, longName, 0.0f);
    EXPECT_STREQ(effect->getStoredProgram(7)->name(), "abcdefghijklmnopqrstuvwx");
    EXPECT_STREQ(effect->getStoredProgram(0)->name(), "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(editor->programName, "abcdefghijklmnopqrstuvwx");
    char name[64] = {};
    effect->getAeffect()->dispatcher(effect->getAeffect(), effGetProgramName, 0, 0, name, 0.0f);
    EXPECT_STREQ(name, "abcdefghijklmnopqrstuvwx");
    EXPECT_STREQ(effect->getStoredProgram(8)->name(), "Small Room");
}

TEST_F(ProgramStore, UserRenamingTellsTheHostNotTheEditor)
{
    effect->selectProgram(3);
    host.clearCalls();
    effect->renameProgram("My Drums");
    EXPECT_STREQ(effect->getStoredProgram(3)->name(), "My Drums");
    EXPECT_STREQ(effect->getStoredProgram(0)->name(), "My Drums");
    EXPECT_EQ(host.callsWith(audioMasterUpdateDisplay).size(), 1u);
    EXPECT_EQ(editor->programName, "");
}

TEST_F(ProgramStore, OnlyTheEditBufferIsVisibleByIndex)
{
    char name[64] = "untouched";
    EXPECT_TRUE(effect->getProgramNameIndexed(0, 0, name));
    EXPECT_STREQ(name, "Current");
    std::strcpy(name, "untouched");
    EXPECT_FALSE(effect->getProgramNameIndexed(0, 1, name));
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(effect->getAeffect()->dispatcher(effect->getAeffect(), effGetProgramNameIndexed, 1, 0, name, 0.0f), 0);
    EXPECT_EQ(effect->getAeffect()->dispatcher(effect->getAeffect(), effGetProgramNameIndexed, 0, 0, name, 0.0f), 1);
}

TEST_F(ProgramStore, GlobalParametersAreWrittenIntoEveryProgram)
{
    effect->selectProgram(3);
    effect->setParameter(kOutput, 0.8f);
    effect->setParameter(kMix, 0.3f);
    effect->setParameter(kPower, 0.2f);
    for (VstInt32 n = 0; n < 53; ++n)
    {
        EXPECT_EQ(effect->getStoredProgram(n)->getParameter(kOutput), 0.8f) << n;
        EXPECT_EQ(effect->getStoredProgram(n)->getParameter(kMix), 0.3f) << n;
        EXPECT_EQ(effect->getStoredProgram(n)->getParameter(kPower), 0.2f) << n;
    }
    effect->selectProgram(5);
    EXPECT_EQ(effect->getParameter(kOutput), 0.8f);
    EXPECT_EQ(effect->getParameter(kMix), 0.3f);
    EXPECT_EQ(effect->getParameter(kPower), 0.0f);
}

TEST_F(ProgramStore, UnusedIndicesAreStoredButNotKept)
{
    effect->setParameter(12, 0.7f);
    EXPECT_EQ(effect->getParameter(12), 0.0f);
    EXPECT_EQ(effect->getStoredProgram(0)->getParameter(12), 0.7f);
    effect->setParameter(kDiffusion, 0.2f);
    EXPECT_EQ(effect->getStoredProgram(0)->getParameter(kDiffusion), -1.0f);
}

TEST_F(ProgramStore, TypeStoresTheClampedValueNotTheQuantisedOne)
{
    effect->setParameter(kType, 1.0f);
    EXPECT_EQ(effect->getStoredProgram(0)->getParameter(kType), 8.0f / 9.0f);
    EXPECT_EQ(editor->lastValue, 8.0f / 9.0f);
    effect->setParameter(kType, 0.5f);
    EXPECT_EQ(effect->getStoredProgram(0)->getParameter(kType), 0.5f);
}

TEST_F(ProgramStore, OutOfRangeSelectionsChangeNothing)
{
    effect->selectProgram(9);
    for (VstInt32 n : {-1, 53, 1000})
    {
        effect->selectProgram(n);
        EXPECT_EQ(effect->getCurrentProgramIndex(), 9);
        EXPECT_STREQ(effect->getStoredProgram(0)->name(), "Big Room");
    }
    EXPECT_EQ(effect->getStoredProgram(53), nullptr);
    EXPECT_EQ(effect->getStoredProgram(-1), nullptr);
}

TEST(CProgramValues, NewProgramsAndClamping)
{
    CProgram program;
    EXPECT_STREQ(program.name(), "init");
    const float defaults[] = {1.0f, 0.01f, 0, 0.5f, 0.1f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(program.getParameter(i), defaults[i]) << i;
    program.setParameter(3, 1.7f);
    EXPECT_EQ(program.getParameter(3), 1.0f);
    program.setParameter(3, -2.0f);
    EXPECT_EQ(program.getParameter(3), 0.0f);
    program.setParameter(3, 0.25f);
    program.setParameter(3, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(program.getParameter(3), 0.25f);
    program.setParameter(16, 0.5f);
    program.setParameter(-1, 0.5f);
    EXPECT_EQ(program.getParameter(16), -1.0f);
    EXPECT_EQ(program.getParameter(-1), -1.0f);
}

TEST(CProgramValues, NamesAreCutAndZeroFilled)
{
    CProgram program;
    program.setName("a name that is far too long for a program");
    EXPECT_STREQ(program.name(), "a name that is far too l");
    program.setName("short");
    char copy[32];
    std::memset(copy, 'x', sizeof(copy));
    program.getName(copy);
    EXPECT_STREQ(copy, "short");
    EXPECT_EQ(copy[6], 'x'); // copies the name and its terminator only
    program.setName(nullptr);
    EXPECT_STREQ(program.name(), "");
}
