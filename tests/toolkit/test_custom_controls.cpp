// The editor's own controls: lamp states and readout, the wrapping Type
// rocker, the preset-bar buttons with their hover images, and the About
// splash as a modal view.
#include "TestSupport.h"

#include "draw/Font.h"

#include <cmath>

namespace
{
struct CustomControlsTest : ::testing::Test
{
    RecordingListener listener;
};

// --- CTextLED ----------------------------------------------------------------

struct LampTest : CustomControlsTest
{
    LampTest()
    {
        CBitmap* back = new CBitmap(PixelBuffer(300, 294, CColor{237, 235, 213, 255}.toPixel()));
        CBitmap* lampBitmap = stripBitmap(13, 13, {{255, 0, 0, 255}, {255, 128, 0, 255}, {60, 0, 0, 255}});
        lamp = t.add(new CTextLED(CRect(226, 209, 239, 222), &listener, 18, back, lampBitmap, readout));
        back->forget();
        lampBitmap->forget();
    }
    // The readout as CTextLED should draw it: the background, then the text.
    PixelBuffer expectedReadout(const char* text, CColor colour)
    {
        PixelBuffer expected(300, 294, CColor{237, 235, 213, 255}.toPixel());
        CDrawContext context(nullptr, expected);
        context.setFont(kNormalFontVerySmall);
        context.setFontColor(colour);
        context.drawString(text, readout, false, kCenterText);
        return expected;
    }
    bool readoutMatches(const PixelBuffer& expected)
    {
        for (long y = readout.top; y < readout.bottom; ++y)
            for (long x = readout.left; x < readout.right; ++x)
                if (t.frame->getBuffer().at(static_cast<int>(x), static_cast<int>(y)) !=
                    expected.at(static_cast<int>(x), static_cast<int>(y)))
                    return false;
        return true;
    }
    const CRect readout{210, 229, 255, 242};
    TestFrame t;
    CTextLED* lamp;
};

TEST_F(LampTest, StatesFollowOverHeldAndOff)
{
    lamp->setState(1.0f);
    EXPECT_GE(lamp->getState(), 0.5f);
    lamp->setState(0.0f);
    EXPECT_TRUE(lamp->isHeld());
    lamp->setState(0.0f);
    EXPECT_TRUE(lamp->isHeld());
    lamp->resetHold();
    lamp->setState(0.0f);
    EXPECT_FALSE(lamp->isHeld());
    EXPECT_LT(std::fabs(lamp->getState()), 0.5f);
    lamp->setState(1.0f);
    lamp->setState(0.2f);
    ASSERT_TRUE(lamp->isHeld());
    lamp->setState(1.0f); // from held: lit again
    EXPECT_GE(lamp->getState(), 0.5f);
    lamp->setState(9.0f);
    EXPECT_FLOAT_EQ(lamp->getState(), 4.0f);

    // The combined setter keeps the control value; the value-changing ones move it.
    lamp->setValue(0.25f);
    lamp->setStateAndLevel(0.0f, 0.5);
    EXPECT_FLOAT_EQ(lamp->getValue(), 0.25f);
    EXPECT_TRUE(lamp->isHeld());
    lamp->setLevel(0.125);
    EXPECT_FLOAT_EQ(lamp->getValue(), -1.0f + 0.125f);
}

TEST_F(LampTest, LampImageAndReadoutTextAndColour)
{
    lamp->setStateAndLevel(1.0f, 1.0);
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 230, 215), (CColor{255, 0, 0, 255}));
    EXPECT_TRUE(readoutMatches(expectedReadout("0.00dB", {200, 80, 80, 255})));
    EXPECT_GT(countColour(t.frame->getBuffer(), readout, {200, 80, 80, 255}), 5);

    lamp->setStateAndLevel(0.0f, 0.5);
    lamp->setValue(lamp->getValue() + 1e-3f);
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 230, 215), (CColor{255, 128, 0, 255})); // held
    EXPECT_TRUE(readoutMatches(expectedReadout("-6.02dB", {75, 75, 90, 255})));
    EXPECT_EQ(countColour(t.frame->getBuffer(), readout, {200, 80, 80, 255}), 0);

    lamp->resetHold();
    lamp->setStateAndLevel(0.0f, 0.0);
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 230, 215), (CColor{60, 0, 0, 255})); // off
    EXPECT_TRUE(readoutMatches(expectedReadout("-oodB", {75, 75, 90, 255})));

    char text[32];
    CTextLED::formatLevel(0.000001, text, sizeof text);
    EXPECT_STREQ(text, "-oodB");
    CTextLED::formatLevel(2.0, text, sizeof text);
    EXPECT_STREQ(text, "6.02dB");
}

TEST_F(LampTest, ReadoutComesBackAfterThePanelIsRepainted)
{
    lamp->setStateAndLevel(0.0f, 0.5);
    t.frame->idle();
    ASSERT_TRUE(readoutMatches(expectedReadout("-6.02dB", {75, 75, 90, 255})));
    // Same level again (no change), but the panel under the readout was painted over.
    lamp->setStateAndLevel(0.0f, 0.5);
    t.frame->setDirty(true);
    t.frame->idle();
    EXPECT_TRUE(readoutMatches(expectedReadout("-6.02dB", {75, 75, 90, 255})));
}

TEST_F(LampTest, ClickTellsTheListenerOnlyWithTheLeftButton)
{
    t.window.click(CPoint(230, 215), kRButton);
    t.window.run();
    EXPECT_TRUE(listener.changedTags.empty());
    t.window.click(CPoint(230, 215));
    t.window.run();
    EXPECT_EQ(listener.changedTags, (std::vector<long>{18}));
}

// --- CMyRocker ------------------------------------------------------------------

TEST_F(CustomControlsTest, TypeRockerStepsAndWrapsAround)
{
    TestFrame t;
    CBitmap* bitmap = stripBitmap(61, 20, {kFiveColours[0], kFiveColours[1], kFiveColours[2]});
    auto* rocker = t.add(new CMyRocker(CRect(120, 43, 181, 63), &listener, 1, 20, bitmap, CPoint(0, 0), 9));
    bitmap->forget();

    rocker->setValue(8.0f / 9.0f + 0.01f);
    t.window.click(CPoint(170, 50)); // right half
    t.window.run();
    EXPECT_NEAR(rocker->getValue(), 0.01f, 1e-6f);
    rocker->setValue(0.01f);
    t.window.click(CPoint(125, 50)); // left half
    t.window.run();
    EXPECT_NEAR(rocker->getValue(), 0.01f - 1.0f / 9.0f + 1.0f, 1e-6f);
    EXPECT_NEAR(rocker->getValue(), 0.8989f, 1e-4f);
    // The middle column (120 + 61 / 2 = 150) is the left half.
    rocker->setValue(0.5f);
    t.window.click(CPoint(150, 50));
    t.window.run();
    EXPECT_NEAR(rocker->getValue(), 0.5f - 1.0f / 9.0f, 1e-6f);
    EXPECT_EQ(rocker->getDirection(), 0.0f);
    EXPECT_EQ(listener.changedTags.size(), 6u); // a step and the release, per click
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 150, 50), kFiveColours[1]); // at rest

    // The wheel steps without wrapping; disabled, it is not taken.
    rocker->setValue(0.05f);
    CDrawContext context = t.frame->createDrawContext();
    EXPECT_TRUE(rocker->onWheel(&context, CPoint(150, 50), 1.0f));
    EXPECT_NEAR(rocker->getValue(), 0.05f - 1.0f / 9.0f, 1e-6f);
    rocker->setMouseEnabled(false);
    EXPECT_FALSE(rocker->onWheel(&context, CPoint(150, 50), -1.0f));
    t.window.click(CPoint(170, 50));
    t.window.run();
    EXPECT_NEAR(rocker->getValue(), 0.05f - 1.0f / 9.0f, 1e-6f);
}

TEST_F(CustomControlsTest, TypeRockerShowsThePressedSideWhileHeld)
{
    TestFrame t;
    CBitmap* bitmap = stripBitmap(61, 20, {kFiveColours[0], kFiveColours[1], kFiveColours[2]});
    auto* rocker = t.add(new CMyRocker(CRect(120, 43, 181, 63), &listener, 1, 20, bitmap, CPoint(0, 0), 9));
    bitmap->forget();
    struct Peek : CControlListener
    {
        CFrame* frame;
        std::vector<CColor> seen;
        void valueChanged(CDrawContext*, CControl*) override { seen.push_back(pixelAt(*frame, 150, 50)); }
    } peek;
    peek.frame = t.frame.get();
    rocker->setListener(&peek);
    t.window.press(CPoint(175, 50));
    t.window.move(CPoint(175, 51), kLButton);
    t.window.release(CPoint(175, 51));
    t.window.run();
    // At the release notification the pressed image (2, right) is on screen.
    ASSERT_EQ(peek.seen.size(), 2u);
    EXPECT_EQ(peek.seen[1], kFiveColours[2]);
    EXPECT_EQ(pixelAt(*t.frame, 150, 50), kFiveColours[1]);
}

// --- Preset-bar buttons -----------------------------------------------------------

TEST_F(CustomControlsTest, StepRockerStepsThroughTheListenerOnly)
{
    TestFrame t;
    CBitmap* bitmap = stripBitmap(31, 14, kFiveColours);
    auto* rocker = t.add(new COrvRockerSwitch(CRect(220, 270, 251, 284), &listener, 33, 14, bitmap, CPoint(0, 0)));
    bitmap->forget();

    t.window.click(CPoint(235, 275)); // (220 + 251) / 2 = 235: the middle column is the left half
    t.window.click(CPoint(236, 275));
    t.window.click(CPoint(222, 275), kRButton);
    t.window.run();
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"previous", "next"}));
    EXPECT_TRUE(listener.changedTags.empty());
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.0f);

    // Hover: only the half under the pointer lights; clearing removes it.
    rocker->setHover(true, CPoint(245, 275));
    t.frame->idle();
    EXPECT_EQ(rocker->getHover(), 2);
    EXPECT_EQ(pixelAt(*t.frame, 230, 275), kFiveColours[2]);
    rocker->setHover(true, CPoint(10, 10)); // elsewhere: unchanged
    EXPECT_EQ(rocker->getHover(), 2);
    rocker->setHover(true, CPoint(221, 275));
    EXPECT_EQ(rocker->getHover(), 1);
    rocker->setHover(false, CPoint(221, 275));
    t.frame->idle();
    EXPECT_EQ(rocker->getHover(), 0);
    EXPECT_EQ(pixelAt(*t.frame, 230, 275), kFiveColours[0]);
    EXPECT_FALSE(rocker->isDirty());
    rocker->setHover(false, CPoint(221, 275));
    EXPECT_FALSE(rocker->isDirty()); // no change, no redraw
}

TEST_F(CustomControlsTest, FileButtonsCallTheirOperationAndShowHover)
{
    TestFrame t;
    CBitmap* bitmap = stripBitmap(12, 14, {kFiveColours[0], kFiveColours[1], kFiveColours[2], kFiveColours[3]});
    const char* expected[] = {"loadBank", "saveBank", "loadPreset", "savePreset"};
    CSaveLoadButton* buttons[4];
    for (long mode = 0; mode < 4; ++mode)
        buttons[mode] = t.add(new CSaveLoadButton(CRect(mode * 20, 0, mode * 20 + 12, 14), &listener, 34 + mode, 14,
                                                  bitmap, CPoint(0, 0), mode));
    bitmap->forget();
    for (long mode = 0; mode < 4; ++mode)
    {
        listener.calls.clear();
        t.window.click(CPoint(mode * 20 + 5, 5));
        t.window.run();
        EXPECT_EQ(listener.calls, std::vector<std::string>{expected[mode]});
        EXPECT_FLOAT_EQ(buttons[mode]->getValue(), 0.0f);
    }
    EXPECT_TRUE(listener.changedTags.empty());

    buttons[1]->setHover(true);
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 25, 5), kFiveColours[1]);
    buttons[1]->setValue(1.0f); // pressed wins over hover
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 25, 5), kFiveColours[2]);
    buttons[1]->setValue(0.0f);
    buttons[1]->setHover(false);
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 25, 5), kFiveColours[0]);
}

TEST_F(CustomControlsTest, MemoButtonActsOnThePressAndIsMomentary)
{
    TestFrame t;
    CBitmap* bitmap = stripBitmap(12, 14, {kFiveColours[0], kFiveColours[1], kFiveColours[2], kFiveColours[3]});
    auto* button = t.add(new COrvOnOffButton(CRect(255, 263, 267, 277), &listener, 41, bitmap));
    bitmap->forget();
    struct Peek : CControlListener
    {
        COrvOnOffButton* button;
        CFrame* frame;
        bool pressedAtCall = true;
        std::vector<CColor> seen;
        void valueChanged(CDrawContext*, CControl*) override { pressedAtCall = button->isPressed(); }
    } peek;
    peek.button = button;
    peek.frame = t.frame.get();
    button->setListener(&peek);

    t.window.press(CPoint(260, 270));
    t.window.move(CPoint(260, 271), kLButton);
    t.window.release(CPoint(260, 271));
    t.frame->idle(); // handles the press; the button waits for the release
    EXPECT_FALSE(peek.pressedAtCall); // told before it shows pressed
    EXPECT_FALSE(button->isPressed());
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f); // not toggled

    button->setHover(true);
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 260, 270), kFiveColours[1]);
    button->setHover(false);
    t.frame->idle();
    EXPECT_EQ(pixelAt(*t.frame, 260, 270), kFiveColours[0]);
}

// --- About splash -------------------------------------------------------------------

struct AboutTest : CustomControlsTest
{
    AboutTest()
    {
        frame = buildPanel(listener, controls);
        window = &ScriptedWindow::attach(*frame);
        frame->idle();
        baselineViews = CView::liveCount();
    }
    std::unique_ptr<CFrame> frame;
    ScriptedWindow* window;
    PanelControls controls;
    long baselineViews = 0;
};

TEST_F(AboutTest, OpensAsModalViewAndClosesOnALeftClick)
{
    window->click(CPoint(150, 12), kRButton);
    window->run();
    EXPECT_FLOAT_EQ(controls.about->getValue(), 0.0f);
    EXPECT_EQ(frame->getModalView(), nullptr);

    window->click(CPoint(150, 12));
    window->run();
    EXPECT_FLOAT_EQ(controls.about->getValue(), 1.0f);
    auto* view = dynamic_cast<CSplashScreenMyView*>(frame->getModalView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(frame->getCurrentView(), view);
    EXPECT_EQ(listener.changedTags, (std::vector<long>{31}));
    EXPECT_EQ(view->versionRect(), CRect(85, 201, 213, 216));
    EXPECT_GT(countColour(frame->getBuffer(), view->versionRect(), kBlackCColor), 5);
    // The picture covers the panel.
    CBitmap about(11220);
    EXPECT_EQ(frame->getBuffer().at(150, 40), about.getPixels().at(150, 40));

    // Clicks meant for controls below do not reach them; the right button does nothing.
    window->click(CPoint(60, 215)); // the Power switch
    window->click(CPoint(60, 215), kRButton);
    window->run();
    EXPECT_FLOAT_EQ(controls.power->getValue(), 1.0f); // the left click only closed the picture
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(controls.about->getValue(), 0.0f);
    EXPECT_EQ(listener.changedTags, (std::vector<long>{31, 31}));
    frame->idle();
    EXPECT_NE(frame->getBuffer().at(150, 40), about.getPixels().at(150, 40)); // the panel is back
}

TEST_F(AboutTest, ModalPictureBlocksControlsAndRightClicks)
{
    window->click(CPoint(150, 12));
    window->click(CPoint(60, 215), kRButton);
    window->drag(CPoint(67, 70), CPoint(67, 20), 4, kRButton); // the Decay knob under the picture
    window->run();
    EXPECT_NE(frame->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(controls.power->getValue(), 1.0f);
    EXPECT_FLOAT_EQ(controls.decay->getValue(), 0.5f);
    EXPECT_EQ(listener.changedTags, (std::vector<long>{31}));
    window->click(CPoint(150, 100));
    window->run();
    EXPECT_EQ(frame->getModalView(), nullptr);
}

TEST_F(AboutTest, ManyOpeningsLeaveNoViewsBehind)
{
    for (int i = 0; i < 100; ++i)
    {
        window->click(CPoint(150, 12));
        window->click(CPoint(150, 100));
    }
    window->run();
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(CView::liveCount(), baselineViews);
    EXPECT_EQ(listener.changedTags.size(), 200u);
}

TEST_F(AboutTest, ModifierClickTakenByTheListenerDoesNotOpen)
{
    listener.modifierAnswer = 1;
    window->click(CPoint(150, 12), kLButton | kShift);
    window->run();
    EXPECT_EQ(frame->getModalView(), nullptr);
    listener.modifierAnswer = 0;
    window->click(CPoint(150, 12), kLButton | kShift);
    window->run();
    EXPECT_NE(frame->getModalView(), nullptr);
}

TEST_F(AboutTest, RefusedByTheFrameItStaysClosedAndKeepsNoView)
{
    // Another modal view is up (a pop-up list): the About cannot show.
    CView* other = new CView(CRect(0, 0, 10, 10));
    ASSERT_TRUE(frame->setModalView(other));
    const long views = CView::liveCount();
    CDrawContext context = frame->createDrawContext();
    CPoint where(150, 12);
    controls.about->mouse(&context, where, kLButton);
    EXPECT_FLOAT_EQ(controls.about->getValue(), 0.0f);
    EXPECT_EQ(frame->getModalView(), other);
    EXPECT_EQ(CView::liveCount(), views);
    EXPECT_TRUE(listener.changedTags.empty());
}

TEST(EditorLifetime, ClosingFramesReleasesEveryViewAndBitmap)
{
    const long views = CView::liveCount();
    const long bitmaps = CBitmap::liveCount();
    RecordingListener listener;
    for (int i = 0; i < 20; ++i)
    {
        PanelControls controls;
        auto frame = buildPanel(listener, controls);
        ScriptedWindow& window = ScriptedWindow::attach(*frame);
        if (i % 2)
            window.click(CPoint(150, 12)); // closed with the About open
        else
            window.click(CPoint(210, 275)); // closed with the program list open
        window.run();
        EXPECT_NE(frame->getModalView(), nullptr);
    }
    EXPECT_EQ(CView::liveCount(), views);
    EXPECT_EQ(CBitmap::liveCount(), bitmaps);
}
} // namespace
