// The editor base with the preset bar along the bottom edge of the panel:
// the current program's name (editable), the list of all programs, the
// previous/next rocker, the four file buttons and the four memo buttons. It
// talks only to the effect's program store, memo slots and files; the
// concrete editor creates the frame and calls open, close and idle from its own.
//
// Threads: everything runs on the editor's thread (the thread that opened
// the editor), except updateProgramName, which the effect may call from the
// host's control thread; from there it only leaves a mark for the next idle.
#pragma once

#include "AEffGUIEditor.h"
#include "CPresetFiles.h"
#include "CPresetSystemListener.h"

#include <atomic>
#include <memory>
#include <thread>

class CPresetSystemEffect;
class CTextEdit;
class COptionMenu;
class COrvRockerSwitch;
class CSaveLoadButton;
class COrvOnOffButton;

class CPresetSystemEditor : public AEffGUIEditor, public CPresetSystemListener
{
public:
    // Control tags of the preset bar.
    enum Tag : long
    {
        kNameFieldTag = 32,
        kStepRockerTag = 33,
        kLoadBankTag = 34,
        kSaveBankTag = 35,
        kLoadPresetTag = 36,
        kSavePresetTag = 37,
        kProgramListTag = 38,
        kRecallMemoATag = 39,
        kRecallMemoBTag = 40,
        kStoreMemoATag = 41,
        kStoreMemoBTag = 42,
    };

    explicit CPresetSystemEditor(AudioEffect* effect);
    ~CPresetSystemEditor() override;

    // The system's file chooser and error messages for the file buttons.
    // Until they are given, every chooser is cancelled and messages go to
    // the standard error stream.
    void setFileDialogs(std::unique_ptr<CFileChooser> chooser, std::unique_ptr<CMessageDisplay> messages);

    // Builds the bar into the frame the subclass has created.
    bool open(void* parentWindow) override;
    // Forgets the bar's controls (the subclass deletes the frame).
    void close() override;
    // Hover marks of the bar's buttons.
    void idle() override;

    void updateProgramName(const char* name) override;
    virtual void renameCurrentProgram(const char* text);
    virtual void chooseProgram(long index, const char* name);

    void valueChanged(CDrawContext* context, CControl* control) override;
    void loadBank() override;
    void saveBank() override;
    void loadPreset() override;
    void savePreset() override;
    void stepProgram(bool up) override;

    const CPresetFiles& getFiles() const { return files; }
    CTextEdit* getNameField() const { return nameField; }
    COptionMenu* getProgramList() const { return programList; }

protected:
    // True on the thread that opened the editor.
    bool onEditorThread() const { return std::this_thread::get_id() == editorThread.load(); }
    // Applies what other threads left for the editor's thread.
    void takePendingProgramName();

    CPresetSystemEffect* presetEffect;
    std::atomic<std::thread::id> editorThread{};

private:
    // Forwards to the dialogs given by setFileDialogs.
    struct ChooserSlot : CFileChooser
    {
        bool choose(const FileChooserRequest& request, std::string& path) override;
        std::unique_ptr<CFileChooser> target;
    };
    struct MessageSlot : CMessageDisplay
    {
        void showError(const char* caption, const char* text) override;
        std::unique_ptr<CMessageDisplay> target;
    };

    void showProgramName(const char* name);
    void showAllProgramNames();

    ChooserSlot chooser;
    MessageSlot messages;
    CPresetFiles files;
    std::atomic<bool> programNamePending{false};

    CTextEdit* nameField = nullptr;
    COptionMenu* programList = nullptr;
    COrvRockerSwitch* stepRocker = nullptr;
    CSaveLoadButton* loadBankButton = nullptr;
    CSaveLoadButton* saveBankButton = nullptr;
    CSaveLoadButton* loadPresetButton = nullptr;
    CSaveLoadButton* savePresetButton = nullptr;
    COrvOnOffButton* recallMemoAButton = nullptr;
    COrvOnOffButton* recallMemoBButton = nullptr;
    COrvOnOffButton* storeMemoAButton = nullptr;
    COrvOnOffButton* storeMemoBButton = nullptr;
};
