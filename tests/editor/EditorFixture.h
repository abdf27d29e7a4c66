// An effect with its editor in this process, the way the plug-in makes them,
// with a host callback that records what the host hears, a scripted file
// chooser and message display, and the editor opened on a frame driven by a
// scripted window (synthetic mouse and key input, drawn offscreen).
#pragma once

#include "CorvantaEditor.h"
#include "Corvanta.h"
#include "CustomControls.h"
#include "FakeFileUi.h"
#include "ScriptedWindow.h"
#include "TempDirectory.h"
#include "TestHost.h"
#include "Toolkit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace editortest
{
// What the in-process host heard; one effect at a time.
inline std::vector<HostCall> heard;
inline VstIntPtr blockSizeAnswer = 0;
inline VstIntPtr sizeWindowAnswer = 1;
// The zoom level the next editor is made with.
inline int zoomLevel = CorvantaEditor::kFollowChoice;

inline VstIntPtr VSTCALLBACK recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*,
                                           float opt)
{
    if (opcode == audioMasterVersion)
        return 2400;
    heard.push_back({opcode, index, value, opt});
    if (opcode == audioMasterSizeWindow)
        return sizeWindowAnswer;
    return opcode == audioMasterGetBlockSize ? blockSizeAnswer : 0;
}

inline AEffEditor* makeEditor(AudioEffect* effect)
{
    return new CorvantaEditor(effect, zoomLevel);
}

inline std::vector<HostCall> heardWith(VstInt32 opcode)
{
    std::vector<HostCall> matching;
    for (const HostCall& call : heard)
        if (call.opcode == opcode)
            matching.push_back(call);
    return matching;
}

// The last value automated for a parameter, or -1 when none was.
inline float lastAutomated(VstInt32 index)
{
    float value = -1.0f;
    for (const HostCall& call : heard)
        if (call.opcode == audioMasterAutomate && call.index == index)
            value = call.opt;
    return value;
}

inline CPoint centreOf(const CRect& rect)
{
    return CPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}
} // namespace editortest

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        editortest::heard.clear();
        editortest::blockSizeAnswer = 0;
        editortest::sizeWindowAnswer = 1;
        effect = std::make_unique<Corvanta>(editortest::recordingHost, editortest::makeEditor);
        editor = dynamic_cast<CorvantaEditor*>(effect->getEditor());
        ASSERT_NE(editor, nullptr);
        auto scriptedChooser = std::make_unique<ScriptedChooser>();
        auto recordingMessages = std::make_unique<RecordingMessages>();
        chooser = scriptedChooser.get();
        messages = recordingMessages.get();
        editor->setFileDialogs(std::move(scriptedChooser), std::move(recordingMessages));
    }

    void TearDown() override
    {
        effect.reset();
        editortest::heard.clear();
    }

    // Opens the editor as a host does (any non-null window) on a scripted window.
    void openEditor()
    {
        ASSERT_TRUE(editor->open(reinterpret_cast<void*>(uintptr_t{0x1234})));
        ASSERT_NE(editor->getFrame(), nullptr);
        window = &ScriptedWindow::attach(*editor->getFrame());
        editor->idle();
    }

    // Lets the editor handle the queued input, as the host's idle calls do.
    void runInput()
    {
        for (int guard = 0; guard < 100 && !window->events.empty(); ++guard)
            editor->idle();
        editor->idle();
    }

    void click(CPoint where, long buttons = kLButton)
    {
        window->click(where, buttons);
        runInput();
    }

    // Clicks a value field, types the text and presses Return.
    void typeInto(long tag, const char* text)
    {
        window->click(editortest::centreOf(control(tag)->getViewSize()));
        window->typeText(text);
        window->virtualKey(VKEY_RETURN);
        runInput();
    }

    CControl* control(long tag) const { return editor->getControl(tag); }
    std::string fieldText(long tag) const
    {
        auto* field = dynamic_cast<CTextEdit*>(control(tag));
        return field ? field->getText() : "<no field>";
    }

    std::unique_ptr<Corvanta> effect;
    CorvantaEditor* editor = nullptr;
    ScriptedChooser* chooser = nullptr;
    RecordingMessages* messages = nullptr;
    ScriptedWindow* window = nullptr;
};

// The editor fixture at the zoom level the test is instantiated with.
class ZoomedEditorTest : public EditorTest, public ::testing::WithParamInterface<int>
{
protected:
    void SetUp() override
    {
        editortest::zoomLevel = GetParam();
        EditorTest::SetUp();
    }
    void TearDown() override
    {
        EditorTest::TearDown();
        editortest::zoomLevel = CorvantaEditor::kFollowChoice;
    }
};
