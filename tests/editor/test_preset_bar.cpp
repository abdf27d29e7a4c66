// The preset bar on an in-process effect, through synthetic mouse and key
// input: stepping, the program list, renaming, hover marks, the memo and
// file buttons.
#include "EditorFixture.h"
#include "MemoSandbox.h"

#include <filesystem>

using editortest::centreOf;

namespace
{
// The bar's places on the 294-pixel panel.
constexpr CPoint kStepLeft(225, 277);
constexpr CPoint kStepRight(245, 277);
constexpr CPoint kProgramList(211, 277);
constexpr CPoint kLoadBank(77, 285);
constexpr CPoint kSaveBank(14, 285);
constexpr CPoint kLoadPreset(77, 270);
constexpr CPoint kSavePreset(14, 270);
constexpr CPoint kRecallA(285, 270);
constexpr CPoint kStoreA(261, 270);

class PresetBarTest : public EditorTest
{
protected:
    VstInt32 current() const { return effect->getCurrentProgramIndex(); }
    std::string storedName(VstInt32 n) const { return effect->getStoredProgram(n)->name(); }
    COptionMenu* list() const { return editor->getProgramList(); }
    std::string listEntry(long index) const { return list()->getEntry(index) ? list()->getEntry(index) : "<none>"; }

    // Picks an entry (counted with the separator) from the program list's pop-up.
    void pickFromList(long entry)
    {
        click(kProgramList);
        auto* popup = dynamic_cast<COptionMenuPopup*>(editor->getFrame()->getModalView());
        ASSERT_NE(popup, nullptr);
        click(centreOf(popup->entryRect(entry)));
        ASSERT_EQ(editor->getFrame()->getModalView(), nullptr);
    }
};
} // namespace

TEST_F(PresetBarTest, ListShowsEveryProgramWithTheEditBufferFirst)
{
    openEditor();
    ASSERT_EQ(list()->getNbEntries(), 54);
    EXPECT_EQ(listEntry(0), storedName(0));
    EXPECT_EQ(listEntry(1), "-");
    for (VstInt32 n = 1; n <= 52; ++n)
        EXPECT_EQ(listEntry(n + 1), storedName(n)) << n;
    EXPECT_EQ(list()->getCurrent(nullptr, false), 0);
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), storedName(0));
}

TEST_F(PresetBarTest, SteppingClampsAtTheFirstAndLastProgram)
{
    openEditor();
    editortest::heard.clear();
    click(kStepLeft);
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(editortest::heardWith(audioMasterAutomate).size(), 32u); // program 0 again, announced
    click(kStepRight);
    EXPECT_EQ(current(), 1);
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), "Default");
    EXPECT_EQ(list()->getCurrent(nullptr, false), 1);
    EXPECT_EQ(listEntry(0), "Default");

    pickFromList(53);
    EXPECT_EQ(current(), 52);
    const std::string last = storedName(52);
    click(kStepRight);
    EXPECT_EQ(current(), 52);
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), last);
    click(kStepLeft);
    EXPECT_EQ(current(), 51);
    EXPECT_EQ(list()->getCurrent(nullptr, true), 52);
    // The step rocker is no parameter control: the host hears no gesture from it.
    for (const HostCall& call : editortest::heard)
        if (call.opcode == audioMasterBeginEdit)
        {
            EXPECT_LT(call.index, 16);
        }
}

TEST_F(PresetBarTest, ListEntryZeroSelectsTheEditBufferAndChangesNothingElse)
{
    openEditor();
    pickFromList(8);
    ASSERT_EQ(current(), 7);
    EXPECT_EQ(storedName(0), "Basic Room");
    effect->setParameter(kDecay, 0.66f);
    CProgram before[2] = {*effect->getStoredProgram(0), *effect->getStoredProgram(7)};

    pickFromList(0);
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), "Basic Room");
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
    {
        EXPECT_EQ(effect->getStoredProgram(0)->getParameter(i), before[0].getParameter(i)) << i;
        EXPECT_EQ(effect->getStoredProgram(7)->getParameter(i), before[1].getParameter(i)) << i;
    }
    EXPECT_FLOAT_EQ(effect->getParameter(kDecay), 0.66f);
    EXPECT_EQ(storedName(0), "Basic Room");
    EXPECT_EQ(storedName(7), "Basic Room");
}

TEST_F(PresetBarTest, ATypedNameIsCutTo24Characters)
{
    openEditor();
    pickFromList(8);
    editortest::heard.clear();
    window->click(centreOf(editor->getNameField()->getViewSize()));
    window->typeText("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    window->virtualKey(VKEY_RETURN);
    runInput();
    const std::string cut = "ABCDEFGHIJKLMNOPQRSTUVWX";
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), cut);
    EXPECT_EQ(storedName(7), cut);
    EXPECT_EQ(storedName(0), cut);
    EXPECT_EQ(listEntry(8), cut);
    EXPECT_EQ(listEntry(0), cut);
    EXPECT_EQ(editortest::heardWith(audioMasterUpdateDisplay).size(), 1u);

    // A host rename reaches the bar too (the host's thread is the editor's here).
    effect->dispatcher(effSetProgramName, 0, 0, const_cast<char*>("Renamed by the host"), 0.0f);
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), "Renamed by the host");
    EXPECT_EQ(listEntry(8), "Renamed by the host");
}

TEST_F(PresetBarTest, HoverMarksFollowThePointerAndClearOffTheBar)
{
    openEditor();
    auto* rocker = dynamic_cast<COrvRockerSwitch*>(editor->getFrame()->getViewAt(kStepRight));
    auto* saveBank = dynamic_cast<CSaveLoadButton*>(editor->getFrame()->getViewAt(kSaveBank));
    auto* recallA = dynamic_cast<COrvOnOffButton*>(editor->getFrame()->getViewAt(kRecallA));
    ASSERT_TRUE(rocker && saveBank && recallA);

    window->move(kStepRight, 0);
    runInput();
    EXPECT_EQ(rocker->getHover(), 2);
    EXPECT_FALSE(saveBank->getHover());
    window->move(kStepLeft, 0);
    runInput();
    EXPECT_EQ(rocker->getHover(), 1);
    window->move(kSaveBank, 0);
    runInput();
    EXPECT_EQ(rocker->getHover(), 0);
    EXPECT_TRUE(saveBank->getHover());
    window->move(kRecallA, 0);
    runInput();
    EXPECT_FALSE(saveBank->getHover());
    EXPECT_TRUE(recallA->getHover());
    window->move(CPoint(150, 60), 0);
    runInput();
    EXPECT_FALSE(recallA->getHover());
    EXPECT_EQ(rocker->getHover(), 0);
    // An unchanged mark draws nothing again.
    window->move(kSaveBank, 0);
    runInput();
    editor->idle();
    EXPECT_FALSE(saveBank->isDirty());
}

TEST_F(PresetBarTest, MemoButtonsStoreAndRecall)
{
    MemoSandbox memos;
    ASSERT_TRUE(memos.isActive());
    openEditor();
    effect->setParameter(kDecay, 0.3f);
    click(kStoreA);
    effect->setParameter(kDecay, 0.8f);
    editortest::heard.clear();
    click(kRecallA);
    EXPECT_FLOAT_EQ(effect->getParameter(kDecay), 0.3f);
    EXPECT_EQ(fieldText(22), "30%");
    EXPECT_EQ(editortest::heardWith(audioMasterAutomate).size(), 16u);
    // Memo B was never stored: recalling it changes nothing.
    click(CPoint(285, 285));
    EXPECT_FLOAT_EQ(effect->getParameter(kDecay), 0.3f);
}

TEST_F(PresetBarTest, FileButtonsSaveAndLoadThroughTheChooser)
{
    TempDirectory directory;
    openEditor();
    pickFromList(8);
    chooser->answers.push_back(directory.file("room.orv"));
    click(kSavePreset);
    ASSERT_EQ(chooser->seen.size(), 1u);
    EXPECT_EQ(chooser->seen[0].title, "Save preset as...");
    EXPECT_EQ(std::filesystem::file_size(directory.file("room.orv")), 93u);

    chooser->answers.push_back(directory.file("all.orb"));
    click(kSaveBank);
    EXPECT_EQ(std::filesystem::file_size(directory.file("all.orb")), 4669u);
    EXPECT_EQ(chooser->seen.back().directory, directory.str() + "/");

    // A preset loaded into program 10 renames it in the field and the list.
    pickFromList(11);
    chooser->answers.push_back(directory.file("room.orv"));
    click(kLoadPreset);
    EXPECT_EQ(current(), 10);
    EXPECT_EQ(storedName(10), "Basic Room");
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), "Basic Room");
    EXPECT_EQ(listEntry(11), "Basic Room");
    EXPECT_EQ(listEntry(0), "Basic Room");

    // A preset file is no bank: the user is told, nothing changes.
    chooser->answers.push_back(directory.file("room.orv"));
    click(kLoadBank);
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0], "Error...|Not a bank file!");
    EXPECT_EQ(storedName(10), "Basic Room");

    // Loading the saved bank brings every name back into the list.
    chooser->answers.push_back(directory.file("all.orb"));
    click(kLoadBank);
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(storedName(10), kFactoryBank[10].name);
    EXPECT_EQ(listEntry(11), kFactoryBank[10].name);
    EXPECT_EQ(list()->getCurrent(nullptr, false), 0);
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), storedName(0));

    // A cancelled chooser changes nothing.
    click(kLoadBank);
    EXPECT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(current(), 0);

    // A save that can't be done is told, and the file there stays.
    std::filesystem::create_directory(directory.file("taken.orb"));
    chooser->answers.push_back(directory.file("taken.orb"));
    click(kSaveBank);
    ASSERT_EQ(messages->shown.size(), 2u);
    EXPECT_EQ(messages->shown[1], "Error...|Could not save file!");
    EXPECT_TRUE(std::filesystem::is_directory(directory.file("taken.orb")));
}
