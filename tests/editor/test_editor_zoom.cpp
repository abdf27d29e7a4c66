// The editor's zoom levels: the panel's size and geometry at each level, the
// background's menu of levels, the host's say in a resize, the choice kept
// for the user across editors and instances, and the screen's level.
#include "EditorFixture.h"
#include "MemoSandbox.h"

using editortest::centreOf;

namespace
{
// Where no control takes a click: the brushed metal left of the Decay knob.
constexpr CPoint kBackground(12, 60);

using EditorZoomLevel = ZoomedEditorTest;

TEST_P(EditorZoomLevel, EveryControlLiesInsideThePanelAndNoneOverlaps)
{
    const CRect panel(0, 0, 3 * GetParam(), 294 * GetParam() / 100);
    ERect* rect = nullptr;
    ASSERT_EQ(effect->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(CRect(rect->left, rect->top, rect->right, rect->bottom), panel);
    openEditor();
    CFrame* frame = editor->getFrame();
    EXPECT_EQ(frame->getViewSize(), panel);
    EXPECT_EQ(frame->getBuffer().bounds(), panel);
    ASSERT_EQ(frame->getNbViews(), 24 + 11);
    for (long i = 0; i < frame->getNbViews(); ++i)
    {
        const CRect size = frame->getView(i)->getViewSize();
        EXPECT_FALSE(size.isEmpty()) << i;
        EXPECT_EQ(CRect(size).bound(panel), size) << "view " << i;
        if (!frame->getView(i)->getMouseEnabled())
            continue;
        for (long j = i + 1; j < frame->getNbViews(); ++j)
        {
            if (frame->getView(j)->getMouseEnabled())
            {
                EXPECT_FALSE(size.rectOverlap(frame->getView(j)->getViewSize())) << i << " and " << j;
            }
        }
    }
    EXPECT_EQ(CRect(editor->getLamp()->getReadout()).bound(panel), editor->getLamp()->getReadout());
    // The display-only picture takes no clicks.
    EXPECT_FALSE(editor->getTypePicture()->getMouseEnabled());
}

INSTANTIATE_TEST_SUITE_P(Zoom, EditorZoomLevel, ::testing::Values(100, 150, 200),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

class EditorZoomChoice : public EditorTest
{
protected:
    // Right-clicks the background, picks a level from the menu and idles:
    // the panel is built anew then, in a frame that needs a window again.
    void pickZoom(int percent, CPoint where = kBackground)
    {
        click(where, kRButton);
        auto* menu = dynamic_cast<COptionMenuPopup*>(editor->getFrame()->getModalView());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->getColumns() * menu->getRows(), 3);
        window->click(centreOf(menu->entryRect(percent == 100 ? 0 : percent == 150 ? 1 : 2)));
        editor->idle();
        window = &ScriptedWindow::attach(*editor->getFrame());
        editor->idle();
    }

    CRect editorRect()
    {
        ERect* rect = nullptr;
        effect->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f);
        return rect ? CRect(rect->left, rect->top, rect->right, rect->bottom) : CRect();
    }

    MemoSandbox settings; // the zoom choice is kept beside the memo slots
};

TEST_F(EditorZoomChoice, RightClickChoiceResizesThroughTheHostAndIsKept)
{
    ASSERT_TRUE(settings.isActive());
    effect->setParameter(kDecay, 0.3f);
    openEditor();
    ASSERT_EQ(editor->getZoom(), 100);
    // A right-click on a control is the control's, not the menu's.
    click(centreOf(control(kDecay)->getViewSize()), kRButton);
    EXPECT_EQ(editor->getFrame()->getModalView(), nullptr);

    editortest::heard.clear();
    pickZoom(150);
    const auto requests = editortest::heardWith(audioMasterSizeWindow);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].index, 450);
    EXPECT_EQ(requests[0].value, 441);
    EXPECT_EQ(editorRect(), CRect(0, 0, 450, 441));
    EXPECT_EQ(editor->getFrame()->getViewSize(), CRect(0, 0, 450, 441));
    // The panel built anew shows the effect's state and still drives it.
    EXPECT_EQ(fieldText(22), "30%");
    window->drag(CPoint(101, 105), CPoint(101, 30));
    runInput();
    EXPECT_FLOAT_EQ(effect->getParameter(kDecay), 0.55f);

    // A host that refuses the new size keeps the level, and the choice.
    editortest::sizeWindowAnswer = 0;
    editortest::heard.clear();
    click(CPoint(18, 90), kRButton);
    auto* menu = dynamic_cast<COptionMenuPopup*>(editor->getFrame()->getModalView());
    ASSERT_NE(menu, nullptr);
    click(centreOf(menu->entryRect(2)));
    EXPECT_EQ(editortest::heardWith(audioMasterSizeWindow).size(), 1u);
    EXPECT_EQ(editor->getZoom(), 150);
    EXPECT_EQ(editorRect(), CRect(0, 0, 450, 441));

    // Closing and opening again, and a new instance, keep the choice.
    editor->close();
    openEditor();
    EXPECT_EQ(editor->getZoom(), 150);
    Corvanta another(editortest::recordingHost, editortest::makeEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(another.dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 1);
    EXPECT_EQ(rect->right, 450);
    EXPECT_EQ(rect->bottom, 441);

    // Back to 100 %: the editor is the 300 x 294 panel again.
    editortest::sizeWindowAnswer = 1;
    pickZoom(100, CPoint(18, 90));
    EXPECT_EQ(editorRect(), CRect(0, 0, 300, 294));
}

TEST_F(EditorZoomChoice, TheScreensLevelIsFollowedUntilTheUserChooses)
{
    ASSERT_TRUE(settings.isActive());
    openEditor();
    // The window moved to a monitor that asks for 200 %.
    editor->getFrame()->platformScreenZoom(200);
    editor->idle();
    ASSERT_NE(editor->getFrame(), nullptr);
    window = &ScriptedWindow::attach(*editor->getFrame());
    EXPECT_EQ(editorRect(), CRect(0, 0, 600, 588));
    // Nothing is stored for a screen's level: a new instance starts at 100 %.
    Corvanta another(editortest::recordingHost, editortest::makeEditor);
    EXPECT_EQ(dynamic_cast<AEffGUIEditor*>(another.getEditor())->getZoom(), 100);

    // Once the user chose, the screen has no say.
    pickZoom(150, CPoint(24, 120));
    editor->getFrame()->platformScreenZoom(200);
    editor->idle();
    EXPECT_EQ(editor->getZoom(), 150);
}

TEST(ZoomRule, EdgesRoundHalvesAwayAndScreensMapToTheLevelNotAbove)
{
    EXPECT_EQ(zoomRect(CRect(39, 42, 96, 99), 150), CRect(59, 63, 144, 149));
    EXPECT_EQ(zoomRect(CRect(-3, 1, 0, 2), 150), CRect(-5, 2, 0, 3));
    EXPECT_EQ(zoomForDpi(0), 100);
    EXPECT_EQ(zoomForDpi(96), 100);
    EXPECT_EQ(zoomForDpi(143), 100);
    EXPECT_EQ(zoomForDpi(144), 150);
    EXPECT_EQ(zoomForDpi(191), 150);
    EXPECT_EQ(zoomForDpi(192), 200);
    EXPECT_EQ(zoomForDpi(288), 200);
}
} // namespace
