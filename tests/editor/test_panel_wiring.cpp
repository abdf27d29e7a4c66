// The panel's wiring seen from outside: every control of the real editor is
// found by where the panel's table puts it (not by its tag), pressed, dragged
// or typed into at its centre, and the test asserts what the host hears (the
// parameter automated), which default a ctrl-click restores, which field text
// changes, or which preset-bar action runs. Two controls with swapped tags
// fail here. Also the whole panel drawn by the real editor, compared pixel
// for pixel with a golden image.
#include "EditorFixture.h"
#include "MemoSandbox.h"

#include "draw/ImageFiles.h"


#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

using editortest::centreOf;

namespace
{
enum class Gesture
{
    dragUp,    // 50 panel pixels up from the centre
    dragRight, // 58 panel pixels right from the centre
    click,
    type,      // click, type the row's text, Return
    pickType,  // open the list, pick "Hall"
    pickProgram
};

enum class Action
{
    none,
    aboutOpens,
    rename,
    chooseProgram,
    previousProgram,
    loadBank,
    saveBank,
    loadPreset,
    savePreset,
    recallA,
    recallB,
    storeA,
    storeB
};

constexpr long kNoParameter = -1;
constexpr float kNoDefault = -1.0f;

// One control as the panel's table states it, in panel pixels at 100 %.
struct Row
{
    const char* name;
    CRect place;
    Gesture gesture;
    long parameter;      // the one parameter the host hears automated
    float defaultValue;  // restored by a ctrl-click
    CRect field;         // the one text that changes (empty: none)
    const char* typed;   // for Gesture::type
    const char* shown;   // the field's text afterwards (null: any new text)
    Action action;
};

const CRect kNoField;

const Row kRows[] = {
    {"Decay knob", {39, 42, 96, 99}, Gesture::dragUp, 3, 0.5f, {47, 99, 89, 110}, nullptr, "55%", Action::none},
    {"HighDamp knob", {204, 42, 261, 99}, Gesture::dragUp, 4, 0.2f, {212, 99, 254, 110}, nullptr, "55%", Action::none},
    {"LowGain knob", {48, 126, 87, 165}, Gesture::dragUp, 6, 0.5f, {44, 165, 92, 176}, nullptr, nullptr, Action::none},
    {"LowFreq knob", {103, 126, 142, 165}, Gesture::dragUp, 5, 0.25f, {99, 165, 147, 176}, nullptr, nullptr,
     Action::none},
    {"HighGain knob", {213, 126, 252, 165}, Gesture::dragUp, 8, 0.5f, {209, 165, 257, 176}, nullptr, nullptr,
     Action::none},
    {"HighFreq knob", {158, 126, 197, 165}, Gesture::dragUp, 7, 0.5f, {154, 165, 202, 176}, nullptr, nullptr,
     Action::none},
    {"Mix knob", {103, 195, 142, 234}, Gesture::dragUp, 9, 0.5f, {99, 234, 147, 245}, nullptr, "55%", Action::none},
    {"Output knob", {158, 195, 197, 234}, Gesture::dragUp, 10, 0.5f, {154, 234, 202, 245}, nullptr, nullptr,
     Action::none},
    {"PreDely slider", {45, 177, 240, 186}, Gesture::dragRight, 2, 0.0f, {242, 176, 274, 187}, nullptr, nullptr,
     Action::none},
    {"Type rocker", {120, 43, 181, 63}, Gesture::click, 1, kNoDefault, {94, 103, 207, 113}, nullptr, "Room",
     Action::none},
    {"Type list", {94, 103, 207, 113}, Gesture::pickType, 1, kNoDefault, {94, 103, 207, 113}, nullptr, "Hall",
     Action::none},
    {"Power switch", {50, 202, 85, 228}, Gesture::click, 0, kNoDefault, kNoField, nullptr, nullptr, Action::none},
    {"PreDely field", {242, 176, 274, 187}, Gesture::type, 2, kNoDefault, {242, 176, 274, 187}, "360", "360ms",
     Action::none},
    {"Decay field", {47, 99, 89, 110}, Gesture::type, 3, kNoDefault, {47, 99, 89, 110}, "35", "35%", Action::none},
    {"HighDamp field", {212, 99, 254, 110}, Gesture::type, 4, kNoDefault, {212, 99, 254, 110}, "35", "35%",
     Action::none},
    {"LowFreq field", {99, 165, 147, 176}, Gesture::type, 5, kNoDefault, {99, 165, 147, 176}, "1500", "1.50kHz",
     Action::none},
    {"LowGain field", {44, 165, 92, 176}, Gesture::type, 6, kNoDefault, {44, 165, 92, 176}, "-6", "-6.00dB",
     Action::none},
    {"HighFreq field", {154, 165, 202, 176}, Gesture::type, 7, kNoDefault, {154, 165, 202, 176}, "5000", "5.00kHz",
     Action::none},
    {"HighGain field", {209, 165, 257, 176}, Gesture::type, 8, kNoDefault, {209, 165, 257, 176}, "-12", "-12.00dB",
     Action::none},
    {"Output field", {154, 234, 202, 245}, Gesture::type, 10, kNoDefault, {154, 234, 202, 245}, "-6", "-6.00dB",
     Action::none},
    {"Mix field", {99, 234, 147, 245}, Gesture::type, 9, kNoDefault, {99, 234, 147, 245}, "35", "35%", Action::none},
    {"Overload lamp", {226, 209, 239, 222}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::none},
    {"About zone", {24, 4, 276, 20}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::aboutOpens},
    // The preset bar, on the 294-pixel panel.
    {"Name field", {89, 270, 205, 285}, Gesture::type, kNoParameter, kNoDefault, {89, 270, 205, 285}, "Wired",
     "Wired", Action::rename},
    {"Program list", {207, 270, 215, 285}, Gesture::pickProgram, kNoParameter, kNoDefault, {89, 270, 205, 285},
     nullptr, nullptr, Action::chooseProgram},
    {"Step rocker", {220, 270, 251, 284}, Gesture::click, kNoParameter, kNoDefault, {89, 270, 205, 285}, nullptr,
     nullptr, Action::previousProgram},
    {"Load bank", {71, 278, 84, 292}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::loadBank},
    {"Save bank", {8, 278, 20, 292}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::saveBank},
    {"Load preset", {71, 263, 83, 277}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::loadPreset},
    {"Save preset", {8, 263, 20, 277}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::savePreset},
    {"Recall memo A", {279, 263, 291, 277}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::recallA},
    {"Recall memo B", {279, 278, 291, 292}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::recallB},
    {"Store memo A", {255, 263, 267, 277}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::storeA},
    {"Store memo B", {255, 278, 267, 292}, Gesture::click, kNoParameter, kNoDefault, kNoField, nullptr, nullptr,
     Action::storeB},
};

// The program the wiring starts from, and the memo values told apart.
constexpr VstInt32 kStartProgram = 5;
constexpr float kMemoADecay = 0.1f;
constexpr float kMemoBDecay = 0.9f;
constexpr float kStartValue = 0.3f;

class PanelWiringTest : public ZoomedEditorTest
{
protected:
    // An edge of the panel at this zoom level: round(edge x scale).
    long edge(long value) const { return std::lround(static_cast<double>(value) * GetParam() / 100.0); }
    CRect at(const CRect& r) const { return {edge(r.left), edge(r.top), edge(r.right), edge(r.bottom)}; }
    CPoint centre(const CRect& place) const { return centreOf(at(place)); }

    // The text every value display shows, by its place on the panel.
    std::map<long, std::string> texts() const
    {
        std::map<long, std::string> shown;
        CFrame* frame = editor->getFrame();
        for (long i = 0; i < frame->getNbViews(); ++i)
        {
            CView* view = frame->getView(i);
            const long key = view->getViewSize().left * 10000 + view->getViewSize().top;
            if (auto* field = dynamic_cast<CTextEdit*>(view))
                shown[key] = field->getText();
            else if (auto* list = dynamic_cast<COptionMenu*>(view); list && !(list->getStyle() & kNoDrawStyle))
                shown[key] = list->getEntry(list->getCurrent()) ? list->getEntry(list->getCurrent()) : "";
        }
        return shown;
    }

    std::set<VstInt32> automatedParameters() const
    {
        std::set<VstInt32> indices;
        for (const HostCall& call : editortest::heardWith(audioMasterAutomate))
            indices.insert(call.index);
        return indices;
    }

    void pickFromPopup(long entry)
    {
        auto* popup = dynamic_cast<COptionMenuPopup*>(editor->getFrame()->getModalView());
        ASSERT_NE(popup, nullptr);
        click(centreOf(popup->entryRect(entry)));
    }

    void perform(const Row& row)
    {
        const CPoint from = centre(row.place);
        switch (row.gesture)
        {
        case Gesture::dragUp:
            window->drag(from, CPoint(from.h, from.v - edge(50)));
            runInput();
            break;
        case Gesture::dragRight:
            window->drag(from, CPoint(from.h + edge(58), from.v));
            runInput();
            break;
        case Gesture::click:
            click(from);
            break;
        case Gesture::type:
            window->click(from);
            window->typeText(row.typed);
            window->virtualKey(VKEY_RETURN);
            runInput();
            break;
        case Gesture::pickType:
            click(from);
            pickFromPopup(4);
            break;
        case Gesture::pickProgram:
            click(from);
            pickFromPopup(9); // program 8
            break;
        }
    }

    void expectAction(Action action)
    {
        switch (action)
        {
        case Action::none:
            EXPECT_EQ(editor->getFrame()->getModalView(), nullptr);
            EXPECT_TRUE(chooser->seen.empty());
            EXPECT_EQ(effect->getCurrentProgramIndex(), kStartProgram);
            break;
        case Action::aboutOpens:
            EXPECT_NE(editor->getFrame()->getModalView(), nullptr);
            break;
        case Action::rename:
            EXPECT_EQ(effect->getStoredProgram(kStartProgram)->name(), std::string("Wired"));
            break;
        case Action::chooseProgram:
            EXPECT_EQ(effect->getCurrentProgramIndex(), 8);
            break;
        case Action::previousProgram:
            EXPECT_EQ(effect->getCurrentProgramIndex(), kStartProgram - 1);
            break;
        case Action::loadBank:
        case Action::saveBank:
        case Action::loadPreset:
        case Action::savePreset:
        {
            const char* titles[] = {"Select bank to load...", "Save bank as...", "Select preset to load...",
                                    "Save preset as..."};
            ASSERT_EQ(chooser->seen.size(), 1u);
            EXPECT_EQ(chooser->seen[0].title, titles[static_cast<int>(action) - static_cast<int>(Action::loadBank)]);
            break;
        }
        case Action::recallA:
        case Action::recallB:
            EXPECT_FLOAT_EQ(effect->getParameter(kDecay), action == Action::recallA ? kMemoADecay : kMemoBDecay);
            break;
        case Action::storeA:
        case Action::storeB:
        {
            // The slot now holds the current Decay; the other kept its own.
            const bool a = action == Action::storeA;
            effect->setParameter(kDecay, 0.7f);
            EXPECT_EQ(a ? effect->recallMemoA() : effect->recallMemoB(), 0);
            EXPECT_FLOAT_EQ(effect->getParameter(kDecay), kStartValue);
            EXPECT_EQ(a ? effect->recallMemoB() : effect->recallMemoA(), 0);
            EXPECT_FLOAT_EQ(effect->getParameter(kDecay), a ? kMemoBDecay : kMemoADecay);
            break;
        }
        }
    }

    // A fresh editor on program kStartProgram, every parameter at kStartValue
    // (the slider's handle then sits under the slider's centre) but Power on.
    void openAtStart()
    {
        effect->selectProgram(kStartProgram);
        effect->setParameter(kDecay, kMemoADecay);
        ASSERT_EQ(effect->storeMemoA(), 0);
        effect->setParameter(kDecay, kMemoBDecay);
        ASSERT_EQ(effect->storeMemoB(), 0);
        for (VstInt32 index = kType; index <= kOutput; ++index)
            effect->setParameter(index, kStartValue);
        effect->setParameter(kPreDelay, 0.5f);
        effect->setParameter(kType, typeNormalizedValue(2));
        effect->setParameter(kPower, 1.0f);
        openEditor();
        editortest::heard.clear();
        chooser->seen.clear();
    }
};

TEST_P(PanelWiringTest, EveryControlDrivesWhatThePanelTableSays)
{
    MemoSandbox memos;
    ASSERT_TRUE(memos.isActive());
    for (const Row& row : kRows)
    {
        SCOPED_TRACE(row.name);
        openAtStart();
        const auto before = texts();
        const float valueBefore = row.parameter == kNoParameter ? 0.0f : effect->getParameter(row.parameter);
        perform(row);

        // A new program (chosen, stepped to or recalled) sets every parameter
        // and shows every field anew: only its own outcome is checked.
        const bool newProgram = row.action == Action::chooseProgram || row.action == Action::previousProgram ||
                                row.action == Action::recallA || row.action == Action::recallB;
        const std::set<VstInt32> expected = row.parameter == kNoParameter
                                                ? std::set<VstInt32>{}
                                                : std::set<VstInt32>{static_cast<VstInt32>(row.parameter)};
        if (!newProgram)
        {
            EXPECT_EQ(automatedParameters(), expected);
        }
        if (row.parameter != kNoParameter)
        {
            EXPECT_NE(effect->getParameter(row.parameter), valueBefore);
            EXPECT_EQ(editortest::lastAutomated(row.parameter), effect->getParameter(row.parameter));
        }
        // Exactly the row's field shows a new text.
        const auto after = texts();
        for (const auto& [key, text] : after)
        {
            const bool isField = !row.field.isEmpty() && key == at(row.field).left * 10000 + at(row.field).top;
            if (!isField)
            {
                EXPECT_TRUE(newProgram || text == before.at(key))
                    << "the display at " << key / 10000 << "," << key % 10000 << " shows " << text;
            }
            else if (row.shown)
            {
                EXPECT_EQ(text, row.shown);
            }
            else
            {
                EXPECT_NE(text, before.at(key));
            }
        }

        expectAction(row.action);

        if (row.defaultValue != kNoDefault)
        {
            editortest::heard.clear();
            click(centre(row.place), kLButton | kControl);
            EXPECT_EQ(automatedParameters(), expected);
            EXPECT_FLOAT_EQ(effect->getParameter(row.parameter), row.defaultValue);
        }
        editor->close();
    }
}

// The panel as the real editor draws it when opened on a new effect,
// pixel for pixel. CORVANTA_UPDATE_GOLDEN=1 writes the golden image anew.
TEST_P(PanelWiringTest, PanelDrawsExactlyAsRecorded)
{
    openEditor();
    editor->idle();
    const PixelBuffer& actual = editor->getFrame()->getBuffer();
    const std::string suffix = GetParam() == 100 ? "" : "_" + std::to_string(GetParam());
    const std::string golden = std::string(CORVANTA_TEST_SOURCE_DIR) + "/toolkit/golden/panel" + suffix + ".png";
    const std::string output = std::string(CORVANTA_TEST_BINARY_DIR) + "/panel" + suffix + "_actual.png";
    writePng(actual, output);
    if (std::getenv("CORVANTA_UPDATE_GOLDEN"))
    {
        std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
        ASSERT_TRUE(writePng(actual, golden));
    }
    PixelBuffer expected;
    ASSERT_TRUE(readImageFile(golden, expected)) << "missing " << golden << " (CORVANTA_UPDATE_GOLDEN=1 writes it)";
    ASSERT_EQ(expected.width(), actual.width());
    ASSERT_EQ(expected.height(), actual.height());
    long different = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            different += (actual.at(x, y) | 0xFF000000u) != (expected.at(x, y) | 0xFF000000u);
    EXPECT_EQ(different, 0) << "pixels differ; the drawing is in " << output;
}

INSTANTIATE_TEST_SUITE_P(Zoom, PanelWiringTest, ::testing::Values(100, 150, 200),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });
} // namespace
