// The main panel on an in-process effect: what opening shows, typed values,
// the Type controls following each other, the lamp and its held peak, host
// changes from other threads and repeated opening. (The panel's geometry at
// each zoom level is in test_editor_zoom.cpp.)
#include "EditorFixture.h"

#include "CAbout.h"
#include "ValueFields.h"
#include "ValueText.h"

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

using editortest::centreOf;
using editortest::lastAutomated;

namespace
{
constexpr CPoint kAboutZone(150, 12);

// One block through the effect, dry at unity gain, so that its output peak
// is `level`; the editor sees the peaks through the engine's meters.
void playPeak(Corvanta& effect, float level)
{
    effect.setParameter(kMix, 0.0f);
    effect.setParameter(kOutput, 0.5f);
    std::vector<float> in(64, level), outL(64), outR(64);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    effect.processReplacing(inputs, outputs, 64);
}
} // namespace

TEST_F(EditorTest, OpeningShowsTheParameterTextsOfTheCurrentState)
{
    effect->setParameter(kLowFreq, 0.25f);
    effect->setParameter(kOutput, 0.5f);
    effect->setParameter(kLowGain, 0.0f);
    effect->setParameter(kHighGain, 0.5f);
    effect->setParameter(kPreDelay, 0.3f);
    effect->setParameter(kDecay, 0.7f);
    openEditor();
    EXPECT_EQ(fieldText(24), "112Hz");
    EXPECT_EQ(fieldText(29), "0.00dB");
    EXPECT_EQ(fieldText(25), "-oodB");
    EXPECT_EQ(fieldText(27), "0.00dB");
    EXPECT_EQ(fieldText(20), "90ms");
    EXPECT_EQ(fieldText(22), "70%");
    for (VstInt32 index = kPower; index <= kOutput; ++index)
        EXPECT_FLOAT_EQ(control(index)->getValue(), effect->getParameter(index)) << index;

    // A change while open rewrites the field in its own format.
    effect->setParameter(kOutput, 0.0f);
    EXPECT_EQ(fieldText(29), "-oo dB");
    EXPECT_FLOAT_EQ(control(kOutput)->getValue(), 0.0f);
    // Changes while closed are shown by the next opening.
    editor->close();
    effect->setParameter(kLowFreq, 1.0f);
    openEditor();
    EXPECT_EQ(fieldText(24), "10.0kHz");
}

TEST_F(EditorTest, TypedValuesAreClampedAndConverted)
{
    openEditor();
    typeInto(25, "-300");
    EXPECT_EQ(effect->getParameter(kLowGain), 0.0f);
    EXPECT_EQ(lastAutomated(kLowGain), 0.0f);
    EXPECT_EQ(fieldText(25), "-oodB");

    typeInto(27, "-100");
    EXPECT_GT(effect->getParameter(kHighGain), 0.0f);
    EXPECT_EQ(fieldText(27), "-100.00dB");

    typeInto(30, "2,5");
    EXPECT_FLOAT_EQ(effect->getParameter(kMix), 0.025f);
    EXPECT_EQ(fieldText(30), "3%");

    typeInto(22, "abc");
    EXPECT_EQ(effect->getParameter(kDecay), 0.0f);
    EXPECT_EQ(fieldText(22), "0%");

    typeInto(24, "1500");
    EXPECT_NEAR(25.0 * std::pow(400.0, effect->getParameter(kLowFreq)), 1500.0, 0.01);
    EXPECT_EQ(fieldText(24), "1.50kHz");

    typeInto(26, "50000");
    EXPECT_EQ(effect->getParameter(kHighFreq), 1.0f);
    EXPECT_EQ(fieldText(26), "20.0kHz");

    typeInto(20, "250ms");
    EXPECT_FLOAT_EQ(effect->getParameter(kPreDelay), static_cast<float>(std::sqrt(0.25)));
    EXPECT_FLOAT_EQ(control(kPreDelay)->getValue(), effect->getParameter(kPreDelay));

    // The host heard each as automation of the field's parameter.
    for (VstInt32 index : {kLowGain, kHighGain, kMix, kDecay, kLowFreq, kHighFreq, kPreDelay})
        EXPECT_EQ(lastAutomated(index), effect->getParameter(index)) << index;
}

TEST_F(EditorTest, KeysFromTheHostReachTheFocusedField)
{
    openEditor();
    window->click(centreOf(control(23)->getViewSize()));
    runInput();
    for (char c : std::string("35"))
        EXPECT_EQ(effect->dispatcher(effEditKeyDown, c, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(effect->dispatcher(effEditKeyDown, 0, VKEY_RETURN, nullptr, 0.0f), 1);
    EXPECT_FLOAT_EQ(effect->getParameter(kHighDamp), 0.35f);
    // Without a focused field the editor does not use keys.
    EXPECT_EQ(effect->dispatcher(effEditKeyDown, 'x', 0, nullptr, 0.0f), 0);
}

TEST_F(EditorTest, TypeListRockerAndPictureFollowEachOther)
{
    openEditor();
    auto* list = dynamic_cast<COptionMenu*>(control(CorvantaEditor::kTypeListTag));
    ASSERT_NE(list, nullptr);
    click(centreOf(list->getViewSize()));
    auto* popup = dynamic_cast<COptionMenuPopup*>(editor->getFrame()->getModalView());
    ASSERT_NE(popup, nullptr);
    click(centreOf(popup->entryRect(4)));
    EXPECT_EQ(editor->getFrame()->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(lastAutomated(kType), 4.0f / 9.0f + 0.01f);
    EXPECT_FLOAT_EQ(effect->getParameter(kType), typeNormalizedValue(4));
    EXPECT_FLOAT_EQ(control(kType)->getValue(), effect->getParameter(kType));
    EXPECT_EQ(editor->getTypePicture()->imageIndex(), 4);
    EXPECT_EQ(list->getCurrent(), 4);

    // The rocker's right half steps to the next type, its left half back.
    const CRect rocker = control(kType)->getViewSize();
    click(CPoint(rocker.right - 5, rocker.top + 5));
    EXPECT_FLOAT_EQ(effect->getParameter(kType), typeNormalizedValue(5));
    EXPECT_EQ(list->getCurrent(), 5);
    EXPECT_EQ(editor->getTypePicture()->imageIndex(), 5);
    for (int i = 0; i < 6; ++i)
        click(CPoint(rocker.left + 5, rocker.top + 5));
    EXPECT_FLOAT_EQ(effect->getParameter(kType), typeNormalizedValue(8)); // wrapped past "Ambience"
    EXPECT_EQ(list->getCurrent(), 8);
    EXPECT_EQ(editor->getTypePicture()->imageIndex(), 8);

    // A host change moves all three.
    effect->setParameter(kType, typeNormalizedValue(2));
    EXPECT_EQ(list->getCurrent(), 2);
    EXPECT_EQ(editor->getTypePicture()->imageIndex(), 2);
    EXPECT_FLOAT_EQ(control(kType)->getValue(), typeNormalizedValue(2));

    // Gestures of controls that name no host parameter are not announced.
    for (const HostCall& call : editortest::heard)
        if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit)
        {
            EXPECT_LT(call.index, 16);
        }
}

TEST_F(EditorTest, KnobDragAndPowerClickAutomateTheirParameters)
{
    effect->setParameter(kDecay, 0.5f);
    effect->setParameter(kPower, 1.0f);
    openEditor();
    EXPECT_EQ(editor->getKnobMode(), kLinearMode);
    editortest::heard.clear();
    window->drag(CPoint(67, 70), CPoint(67, 20));
    runInput();
    EXPECT_FLOAT_EQ(effect->getParameter(kDecay), 0.75f);
    EXPECT_EQ(fieldText(22), "75%");
    const auto begins = editortest::heardWith(audioMasterBeginEdit);
    ASSERT_FALSE(begins.empty());
    EXPECT_EQ(begins.front().index, kDecay);
    EXPECT_EQ(editortest::heardWith(audioMasterEndEdit).back().index, kDecay);
    EXPECT_FLOAT_EQ(lastAutomated(kDecay), 0.75f);

    click(centreOf(control(kPower)->getViewSize()));
    EXPECT_EQ(effect->getParameter(kPower), 0.0f);
    EXPECT_EQ(lastAutomated(kPower), 0.0f);

    // The default-value gesture restores the knob's default.
    click(centreOf(control(kHighDamp)->getViewSize()), kLButton | kControl);
    EXPECT_FLOAT_EQ(effect->getParameter(kHighDamp), 0.2f);
}

TEST_F(EditorTest, LampReadoutHoldsStillWhileTheAboutIsOpen)
{
    openEditor();
    playPeak(*effect, 0.5f);
    editor->idle();
    EXPECT_DOUBLE_EQ(editor->getLamp()->getLevel(), 0.5);

    click(kAboutZone);
    ASSERT_EQ(editor->getAbout()->getValue(), 1.0f);
    playPeak(*effect, 0.9f);
    editor->idle();
    EXPECT_DOUBLE_EQ(editor->getLamp()->getLevel(), 0.5);
    EXPECT_DOUBLE_EQ(editor->getPeakHold().heldPeak, 0.9f); // the hold goes on underneath

    click(CPoint(150, 150)); // on the picture: closes it
    ASSERT_EQ(editor->getAbout()->getValue(), 0.0f);
    editor->idle();
    EXPECT_DOUBLE_EQ(editor->getLamp()->getLevel(), 0.9f);
    // The editor asked for the peaks it read to be cleared: the next block does it.
    effect->processReplacing(nullptr, nullptr, 0);
    EXPECT_EQ(effect->getEngine().meters.read().peakL, 0.0f);
    EXPECT_EQ(effect->getEngine().meters.read().peakR, 0.0f);
}

TEST_F(EditorTest, HeldPeakRisesAtOnceAndFallsAfterTheHoldBlocks)
{
    // Two seconds of 882-sample blocks at 44.1 kHz: 100 blocks.
    editortest::blockSizeAnswer = 882;
    effect->setParameter(kMix, 0.0f);
    effect->setParameter(kOutput, 0.5f);
    effect->setSampleRate(44100.0f);
    effect->setBlockSize(882);
    effect->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    ASSERT_EQ(effect->getEngine().meterHoldBlocks, 100);
    openEditor();

    std::vector<float> inL(882), inR(882), outL(882), outR(882);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    auto blocks = [&](int count, float level) {
        std::fill(inL.begin(), inL.end(), level);
        std::fill(inR.begin(), inR.end(), level);
        for (int i = 0; i < count; ++i)
            effect->processReplacing(inputs, outputs, 882);
    };

    blocks(1, 0.8f);
    editor->idle();
    const double loud = editor->getPeakHold().heldPeak;
    EXPECT_NEAR(loud, 0.8, 0.01);
    // The loud block counts towards the hold: 99 quiet ones keep it...
    blocks(98, 0.0f);
    editor->idle();
    EXPECT_EQ(editor->getPeakHold().heldPeak, loud);
    blocks(1, 0.1f);
    editor->idle();
    EXPECT_NEAR(editor->getPeakHold().heldPeak, 0.1, 0.01);
    // ...a louder block is taken at once.
    blocks(1, 0.3f);
    editor->idle();
    EXPECT_NEAR(editor->getPeakHold().heldPeak, 0.3, 0.01);
    editor->idle();
    EXPECT_NEAR(editor->getLamp()->getLevel(), 0.3, 0.01);

    // Clicking the lamp drops the held value.
    click(centreOf(editor->getLamp()->getViewSize()));
    EXPECT_EQ(editor->getPeakHold().heldPeak, 0.0);
}

TEST_F(EditorTest, LampClickReleasesAHeldOverload)
{
    openEditor();
    playPeak(*effect, 1.5f);
    editor->idle();
    EXPECT_GE(editor->getLamp()->getState(), 0.5f);
    playPeak(*effect, 0.1f);
    editor->idle();
    EXPECT_TRUE(editor->getLamp()->isHeld());
    click(centreOf(editor->getLamp()->getViewSize()));
    EXPECT_FALSE(editor->getLamp()->isHeld());
    EXPECT_EQ(editor->getPeakHold().heldPeak, 0.0);
}

TEST_F(EditorTest, OpeningAndClosingManyTimesLeavesNothingBehind)
{
    const long views = CView::liveCount();
    const long bitmaps = CBitmap::liveCount();
    for (int i = 0; i < 25; ++i)
    {
        openEditor();
        if (i % 3 == 1)
            click(kAboutZone); // closed with the About open
        if (i % 3 == 2)
            click(centreOf(control(CorvantaEditor::kTypeListTag)->getViewSize())); // with the pop-up open
        if (i % 5 == 0)
            window->click(centreOf(control(22)->getViewSize())); // while a field is edited
        runInput();
        if (i % 7 == 0)
        {
            ASSERT_TRUE(editor->open(reinterpret_cast<void*>(uintptr_t{0x1234}))); // opened twice
        }
        EXPECT_EQ(effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f), 0);
        EXPECT_EQ(editor->getFrame(), nullptr);
        EXPECT_EQ(CView::liveCount(), views);
        EXPECT_EQ(CBitmap::liveCount(), bitmaps);
    }
    // Calls while closed find no controls and change nothing.
    effect->setParameter(kDecay, 0.3f);
    effect->dispatcher(effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect->dispatcher(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(editor->getControl(kDecay), nullptr);
    EXPECT_EQ(CView::liveCount(), views);
}

TEST_F(EditorTest, ParameterChangesFromAnotherThreadAppearAtTheNextIdle)
{
    openEditor();
    std::atomic<bool> done{false};
    std::thread hostThread([&] {
        for (int i = 0; i < 20000; ++i)
        {
            effect->setParameter(kDecay, static_cast<float>(i % 101) / 100.0f);
            effect->setParameter(kType, typeNormalizedValue(i % 9));
            if (i % 1000 == 0)
                effect->dispatcher(effSetProgramName, 0, 0, const_cast<char*>("From the host"), 0.0f);
        }
        effect->setParameter(kDecay, 0.42f);
        effect->setParameter(kType, typeNormalizedValue(6));
        done = true;
    });
    // The editor keeps idling, and is closed and opened again, meanwhile.
    for (int round = 0; !done; ++round)
    {
        editor->idle();
        if (round % 40 == 39)
        {
            editor->close();
            openEditor();
        }
    }
    hostThread.join();
    // Nothing was shown from the other thread before the editor's own idle.
    editor->idle();
    EXPECT_FLOAT_EQ(control(kDecay)->getValue(), 0.42f);
    EXPECT_EQ(fieldText(22), "42%");
    EXPECT_EQ(editor->getTypePicture()->imageIndex(), 6);
    EXPECT_EQ(fieldText(CPresetSystemEditor::kNameFieldTag), "From the host");

    // A change from another thread is not applied before the idle.
    std::thread([&] { effect->setParameter(kDecay, 0.9f); }).join();
    EXPECT_FLOAT_EQ(control(kDecay)->getValue(), 0.42f);
    editor->idle();
    EXPECT_FLOAT_EQ(control(kDecay)->getValue(), 0.9f);
}
