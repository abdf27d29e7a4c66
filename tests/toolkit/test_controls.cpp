// Value and gesture logic of the stock controls, driven through the frame
// with scripted input events.
#include "TestSupport.h"

namespace
{
struct ControlsTest : ::testing::Test
{
    RecordingEditor editor;
    RecordingListener listener;
};

TEST_F(ControlsTest, AnimKnobShowsTheImageOfTheTruncatedStripOffset)
{
    CBitmap* strip = new CBitmap(57, 57 * 51);
    CAnimKnob knob(CRect(0, 0, 57, 57), &listener, 3, 51, 57, strip, CPoint(39, 42));
    strip->forget();
    const std::pair<float, long> cases[] = {{0.0f, 0}, {1.0f, 50 * 57}, {0.5f, 25 * 57}, {0.019f, 0},
                                            {0.02f, 57}, {0.999f, 49 * 57}, {-0.5f, 0}, {1.5f, 50 * 57}};
    for (const auto& [value, top] : cases)
    {
        knob.setValue(value);
        EXPECT_EQ(knob.imageTop(), top) << "value " << value;
    }
}

TEST_F(ControlsTest, KnobModesTurnDragsIntoValues)
{
    TestFrame t(&editor);
    auto* knob = t.add(new CKnob(CRect(100, 100, 160, 160), &listener, 3, nullptr, nullptr));

    // Linear: 50 pixels up and 0 across is a quarter of the range.
    editor.setKnobMode(kLinearMode);
    knob->setValue(0.5f);
    t.window.drag(CPoint(130, 130), CPoint(130, 80));
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
    EXPECT_EQ(editor.gestures, (std::vector<std::string>{"begin 3", "end 3"}));
    EXPECT_FALSE(listener.changedTags.empty());

    // Linear with shift: ten times finer, and limited to the range.
    knob->setValue(0.5f);
    t.window.drag(CPoint(130, 130), CPoint(230, 130), 5, kLButton | kShift);
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.55f);
    t.window.drag(CPoint(130, 130), CPoint(130, -300));
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);

    // Circular: the value follows the pointer's angle; straight up is the middle.
    editor.setKnobMode(kCircularMode);
    knob->setValue(0.0f);
    t.window.click(CPoint(130, 105));
    t.window.run();
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6f);
    t.window.drag(CPoint(130, 105), CPoint(150, 130)); // to the right: three quarters of the sweep
    t.window.run();
    EXPECT_NEAR(knob->getValue(), 5.0f / 6.0f, 1e-6f);

    // Relative circular: only the change of angle counts.
    editor.setKnobMode(kRelativCircularMode);
    knob->setValue(0.2f);
    t.window.drag(CPoint(130, 105), CPoint(150, 130));
    t.window.run();
    EXPECT_NEAR(knob->getValue(), 0.2f + 1.0f / 3.0f, 1e-6f);
}

TEST_F(ControlsTest, DefaultGestureModifierClicksAndWheel)
{
    TestFrame t(&editor);
    editor.setKnobMode(kLinearMode);
    auto* knob = t.add(new CKnob(CRect(0, 0, 40, 40), &listener, 4, nullptr, nullptr));
    knob->setDefaultValue(0.2f);
    knob->setValue(0.9f);

    t.window.click(CPoint(20, 20), kLButton | kControl);
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.2f);
    ASSERT_EQ(listener.changedTags.size(), 1u);

    // A listener that takes modifier clicks keeps the control from acting.
    listener.modifierAnswer = 1;
    knob->setValue(0.9f);
    t.window.click(CPoint(20, 20), kLButton | kControl);
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.9f);
    listener.modifierAnswer = 0;

    // The right button alone does nothing.
    t.window.drag(CPoint(20, 20), CPoint(20, 0), 3, kRButton);
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.9f);

    // The wheel moves by the wheel increment, within the range.
    t.window.wheel(CPoint(20, 20), 1.0f);
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
    t.window.wheel(CPoint(20, 20), -1.0f);
    t.window.wheel(CPoint(20, 20), -1.0f);
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.8f);
    knob->setMouseEnabled(false);
    t.window.wheel(CPoint(20, 20), -1.0f);
    t.window.run();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.8f);
}

TEST_F(ControlsTest, SliderMovesOnlyByItsHandleWithoutFreeClick)
{
    TestFrame t(&editor);
    CBitmap* handle = new CBitmap(21, 9);
    auto* slider = t.add(new CHorizontalSlider(CRect(45, 177, 240, 186), &listener, 2, 45, 219, handle, nullptr,
                                               CPoint(45, 177), kLeft));
    handle->forget();
    slider->setFreeClick(false);
    EXPECT_EQ(slider->handleRect(), CRect(45, 177, 66, 186));

    t.window.click(CPoint(150, 181)); // off the handle
    t.window.run();
    EXPECT_FLOAT_EQ(slider->getValue(), 0.0f);

    t.window.drag(CPoint(50, 181), CPoint(50 + 87, 181)); // half of the 174-pixel travel
    t.window.run();
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    EXPECT_EQ(slider->handleRect().left, 132);

    t.window.drag(CPoint(140, 181), CPoint(400, 181));
    t.window.run();
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f);

    // Free click: the handle's centre jumps under the pointer.
    slider->setFreeClick(true);
    t.window.click(CPoint(55 + 87, 181));
    t.window.run();
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
}

TEST_F(ControlsTest, ButtonsRockersAndMovieBitmap)
{
    TestFrame t(&editor);
    auto* onOff = t.add(new COnOffButton(CRect(0, 0, 20, 20), &listener, 0, nullptr));
    t.window.click(CPoint(5, 5));
    t.window.run();
    EXPECT_FLOAT_EQ(onOff->getValue(), 1.0f);
    t.window.click(CPoint(5, 5));
    t.window.run();
    EXPECT_FLOAT_EQ(onOff->getValue(), 0.0f);
    EXPECT_EQ(listener.changedTags, (std::vector<long>{0, 0}));

    // The kick button reports its press and release; dragged off, only the press.
    listener.changedTags.clear();
    auto* kick = t.add(new CKickButton(CRect(30, 0, 50, 20), &listener, 5, 20, nullptr));
    t.window.click(CPoint(35, 5));
    t.window.run();
    EXPECT_EQ(listener.changedTags.size(), 2u);
    EXPECT_FLOAT_EQ(kick->getValue(), 0.0f);

    // Rocker: -1 on the left half (middle column included), +1 on the right, 0 after.
    std::vector<float> seen;
    struct ValueListener : CControlListener
    {
        std::vector<float>* values;
        void valueChanged(CDrawContext*, CControl* control) override { values->push_back(control->getValue()); }
    } values;
    values.values = &seen;
    auto* rocker = t.add(new CRockerSwitch(CRect(60, 0, 91, 14), &values, 6, 14, nullptr));
    t.window.click(CPoint(75, 5)); // 60 + 31 / 2 = 75: the middle column
    t.window.click(CPoint(76, 5));
    t.window.run();
    EXPECT_EQ(seen, (std::vector<float>{-1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.0f);

    CMovieBitmap movie(CRect(0, 0, 10, 10), &listener, 1, 9, 40, nullptr);
    EXPECT_FALSE(movie.getMouseEnabled());
    for (int type = 0; type < 9; ++type)
    {
        // The editor sets the picture to type / 9 x 9 x 0.125 (+0.01 / 9 for the stored value).
        movie.setValue((static_cast<float>(type) / 9.0f + 0.01f) * 9.0f * 0.125f);
        EXPECT_EQ(movie.imageIndex(), type);
    }
}

TEST_F(ControlsTest, TextEditKeys)
{
    TestFrame t(&editor);
    auto* field = t.add(new CTextEdit(CRect(10, 10, 110, 25), &listener, 32, "Large Hall"));

    // A click selects everything; typing replaces it; Return commits and tells the listener.
    t.window.click(CPoint(50, 15));
    t.window.typeText("Plate");
    t.window.virtualKey(VKEY_RETURN);
    t.window.run();
    EXPECT_STREQ(field->getText(), "Plate");
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(listener.changedTags, (std::vector<long>{32}));

    // Caret keys, backspace and delete edit in place.
    t.window.click(CPoint(50, 15));
    t.window.virtualKey(VKEY_HOME);
    t.window.virtualKey(VKEY_DELETE);
    t.window.typeText("S");
    t.window.virtualKey(VKEY_END);
    t.window.virtualKey(VKEY_LEFT);
    t.window.virtualKey(VKEY_BACK);
    t.window.virtualKey(VKEY_RIGHT);
    t.window.virtualKey(VKEY_SPACE);
    t.window.typeText("2");
    t.window.run();
    EXPECT_TRUE(field->isEditing());
    EXPECT_EQ(field->getEditText(), "Slae 2");
    EXPECT_STREQ(field->getText(), "Plate");

    // Escape gives the old text back and tells nobody.
    t.window.virtualKey(VKEY_ESCAPE);
    t.window.run();
    EXPECT_STREQ(field->getText(), "Plate");
    EXPECT_EQ(listener.changedTags.size(), 1u);

    // A click elsewhere commits a changed text.
    t.window.click(CPoint(50, 15));
    t.window.typeText("Room");
    t.window.click(CPoint(200, 200));
    t.window.run();
    EXPECT_STREQ(field->getText(), "Room");
    EXPECT_EQ(listener.changedTags.size(), 2u);

    // Keys without a character are not taken; the length is limited.
    VstKeyCode f1{};
    f1.virt = 40;
    EXPECT_EQ(field->onKeyDown(f1), -1); // not editing
    t.window.click(CPoint(50, 15));
    t.window.run();
    EXPECT_EQ(field->onKeyDown(f1), -1);
    const std::string longText(300, 'x');
    t.window.typeText(longText.c_str());
    t.window.virtualKey(VKEY_ENTER);
    t.window.run();
    EXPECT_EQ(std::string(field->getText()), std::string(CTextEdit::kMaxLength, 'x'));
}

TEST_F(ControlsTest, OptionMenuEntriesAndCurrentWithSeparators)
{
    COptionMenu menu(CRect(0, 0, 10, 10), &listener, 38);
    menu.addEntry("Edit buffer");
    menu.addEntry("-");
    menu.addEntry("One");
    menu.addEntry("Two");
    EXPECT_TRUE(menu.setCurrent(2, false)); // the third selectable entry
    EXPECT_EQ(menu.getCurrent(), 3);
    char text[256];
    EXPECT_EQ(menu.getCurrent(text, false), 2);
    EXPECT_STREQ(text, "Two");
    EXPECT_TRUE(menu.setCurrent(0, false));
    EXPECT_EQ(menu.getCurrent(nullptr, false), 0);
    EXPECT_FALSE(menu.setCurrent(3, false));
    EXPECT_FALSE(menu.setCurrent(9));
    EXPECT_TRUE(menu.setEntry(0, "Renamed"));
    EXPECT_STREQ(menu.getEntry(0), "Renamed");
    EXPECT_FALSE(menu.getEntry(4, text));
    menu.setValue(3.4f);
    EXPECT_EQ(menu.getCurrent(), 3);
    menu.setValue(17.0f); // no such entry: ignored
    EXPECT_EQ(menu.getCurrent(), 3);
}

TEST_F(ControlsTest, OptionMenuPopupChoosesAndCancels)
{
    TestFrame t(&editor);
    auto* menu = t.add(new COptionMenu(CRect(207, 270, 215, 285), &listener, 38, nullptr, nullptr,
                                       kCheckStyle | kNoDrawStyle));
    menu->setNbItemsPerColumn(14);
    menu->addEntry("Edit buffer");
    menu->addEntry("-");
    for (int i = 1; i <= 52; ++i)
        menu->addEntry(("Program " + std::to_string(i)).c_str());
    menu->setCurrent(0, false);

    t.window.click(CPoint(210, 275));
    t.window.run();
    auto* popup = dynamic_cast<COptionMenuPopup*>(t.frame->getModalView());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->getRows(), 14);
    EXPECT_EQ(popup->getColumns(), 4);
    CRect inFrame = popup->getViewSize();
    EXPECT_EQ(inFrame.bound(t.frame->getViewSize()), popup->getViewSize());

    // A separator is not an answer; entry 20 (program 19) is.
    const CRect separator = popup->entryRect(1);
    t.window.click(CPoint(separator.left + 5, separator.top + 3));
    t.window.run();
    ASSERT_EQ(t.frame->getModalView(), popup);
    const CRect entry = popup->entryRect(20);
    t.window.move(CPoint(entry.left + 5, entry.top + 3), 0);
    t.window.run();
    EXPECT_EQ(popup->getHighlight(), 20);
    t.window.click(CPoint(entry.left + 5, entry.top + 3));
    t.window.run();
    EXPECT_EQ(t.frame->getModalView(), nullptr);
    EXPECT_EQ(listener.changedTags, (std::vector<long>{38}));
    char text[256];
    EXPECT_EQ(menu->getCurrent(text, false), 19);
    EXPECT_STREQ(text, "Program 19");
    EXPECT_FLOAT_EQ(menu->getValue(), 20.0f);

    // A click outside, or Escape, closes it without a choice.
    t.window.click(CPoint(210, 275));
    t.window.run();
    ASSERT_NE(t.frame->getModalView(), nullptr);
    t.window.click(CPoint(299, 0));
    t.window.run();
    EXPECT_EQ(t.frame->getModalView(), nullptr);
    t.window.click(CPoint(210, 275));
    t.window.virtualKey(VKEY_ESCAPE);
    t.window.run();
    EXPECT_EQ(t.frame->getModalView(), nullptr);
    EXPECT_EQ(listener.changedTags.size(), 1u);

    // Keys: down skips the separator, Return chooses.
    menu->setCurrent(0);
    t.window.click(CPoint(210, 275));
    t.window.virtualKey(VKEY_DOWN);
    t.window.virtualKey(VKEY_RETURN);
    t.window.run();
    EXPECT_EQ(menu->getCurrent(), 2);
    EXPECT_EQ(listener.changedTags.size(), 2u);
}

TEST_F(ControlsTest, FrameRedrawsOnlyDirtyViewsAndShowsThem)
{
    TestFrame t(&editor, CRect(0, 0, 60, 30));
    t.frame->setBackgroundColor({10, 20, 30, 255});
    CBitmap* strip = stripBitmap(20, 20, {{255, 0, 0, 255}, {0, 255, 0, 255}});
    auto* button = t.add(new COnOffButton(CRect(5, 5, 25, 25), &listener, 0, strip));
    strip->forget();
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 1, 1), (CColor{10, 20, 30, 255}));
    EXPECT_EQ(pixelAt(*t.frame, 10, 10), (CColor{255, 0, 0, 255}));
    EXPECT_EQ(t.window.presented, t.frame->getViewSize());

    t.window.presented = CRect();
    t.frame->idle();
    EXPECT_TRUE(t.window.presented.isEmpty()); // nothing changed, nothing shown

    button->setValue(1.0f); // as the host's thread would
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 10, 10), (CColor{0, 255, 0, 255}));
    EXPECT_EQ(t.window.presented, CRect(5, 5, 25, 25));
}
} // namespace
