#include "CPresetSystemEditor.h"

#include "BitmapIds.h"
#include "CBitmap.h"
#include "CFrame.h"
#include "COptionMenu.h"
#include "CPresetSystemEffect.h"
#include "CTextEdit.h"
#include "CustomControls.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr CColor kNameBackColor{207, 222, 235, 255};
constexpr CColor kNameTextColor{76, 76, 72, 255};
constexpr long kProgramsPerColumn = 14;

// The list entry of program n: entry 0 is the edit buffer, then a separator.
long listEntryOf(VstInt32 program)
{
    return program == 0 ? 0 : program + 1;
}

// The first 24 characters of a name.
void cutName(const char* text, char* cut)
{
    std::memset(cut, 0, CProgram::kNameCapacity);
    if (text)
        std::memcpy(cut, text, strnlen(text, CProgram::kMaxNameLength));
}
} // namespace

bool CPresetSystemEditor::ChooserSlot::choose(const FileChooserRequest& request, std::string& path)
{
    return target && target->choose(request, path);
}

void CPresetSystemEditor::MessageSlot::showError(const char* caption, const char* text)
{
    if (target)
        target->showError(caption, text);
    else
        std::fprintf(stderr, "%s %s\n", caption, text);
}

CPresetSystemEditor::CPresetSystemEditor(AudioEffect* owner)
    : AEffGUIEditor(owner), presetEffect(dynamic_cast<CPresetSystemEffect*>(owner)),
      files(presetEffect, chooser, messages)
{
}

CPresetSystemEditor::~CPresetSystemEditor() = default;

void CPresetSystemEditor::setFileDialogs(std::unique_ptr<CFileChooser> fileChooser,
                                         std::unique_ptr<CMessageDisplay> messageDisplay)
{
    chooser.target = std::move(fileChooser);
    messages.target = std::move(messageDisplay);
}

bool CPresetSystemEditor::open(void* parentWindow)
{
    AEffGUIEditor::open(parentWindow);
    editorThread = std::this_thread::get_id();
    programNamePending = false;
    if (!frame || !presetEffect)
        return true;
    if (PlatformWindow* window = frame->getPlatformWindow())
        files.setOwnerWindow(window->getHandle());

    auto* panel = new CBitmap(zoomedBitmapId(kPanelBitmap, zoom));
    // The bar's places are for the panel at 100 %, B its bottom.
    const long b = panelSize.v;
    auto z = [this](const CRect& place) { return zoomRect(place, zoom); };
    const VstInt32 current = presetEffect->getCurrentProgramIndex();
    const CProgram* program = presetEffect->getStoredProgram(current);

    const CRect name = z(CRect(89, b - 24, 205, b - 9));
    nameField = new CTextEdit(name, this, kNameFieldTag, program ? program->name() : "", panel, 0);
    nameField->setBackOffset(CPoint(name.left, name.top));
    nameField->setBackColor(kNameBackColor);
    nameField->setFont(kNormalFontSmall);
    nameField->setFontColor(kNameTextColor);
    nameField->setFrameColor(kNameTextColor);
    nameField->setHoriAlign(kCenterText);
    frame->addView(nameField);

    programList = new COptionMenu(z(CRect(207, b - 24, 215, b - 9)), this, kProgramListTag, nullptr, nullptr,
                                  kCheckStyle | kNoDrawStyle);
    programList->setNbItemsPerColumn(kProgramsPerColumn);
    for (VstInt32 n = 0; n < kNumStoredPrograms; ++n)
    {
        if (n == 1)
            programList->addEntry("-");
        programList->addEntry(presetEffect->getStoredProgram(n)->name());
    }
    programList->setCurrent(current, false);
    frame->addView(programList);

    auto* rocker = new CBitmap(zoomedBitmapId(kStepRockerBitmap, zoom));
    const CRect step = z(CRect(220, b - 24, 251, b - 10));
    stepRocker = new COrvRockerSwitch(step, this, kStepRockerTag, step.height(), rocker, CPoint(0, 0), kHorizontal);
    frame->addView(stepRocker);
    rocker->forget();

    // Save buttons on the left, load buttons on the right; preset row above bank row.
    struct FileButton
    {
        CSaveLoadButton*& button;
        long tag;
        long bitmap;
        CRect size;
        long mode;
    };
    const FileButton fileButtons[] = {
        {loadBankButton, kLoadBankTag, kLoadBankBitmap, CRect(71, b - 16, 84, b - 2), 0},
        {saveBankButton, kSaveBankTag, kSaveBankBitmap, CRect(8, b - 16, 20, b - 2), 1},
        {loadPresetButton, kLoadPresetTag, kLoadPresetBitmap, CRect(71, b - 31, 83, b - 17), 2},
        {savePresetButton, kSavePresetTag, kSavePresetBitmap, CRect(8, b - 31, 20, b - 17), 3},
    };
    for (const FileButton& file : fileButtons)
    {
        auto* bitmap = new CBitmap(zoomedBitmapId(file.bitmap, zoom));
        const CRect place = z(file.size);
        // One image (14 pixels at 100 %) is as high as the button.
        file.button = new CSaveLoadButton(place, this, file.tag, place.height(), bitmap, CPoint(0, 0), file.mode);
        frame->addView(file.button);
        bitmap->forget();
    }

    struct Memo
    {
        COrvOnOffButton*& button;
        long tag;
        long bitmap;
        CRect size;
    };
    const Memo memos[] = {
        {recallMemoAButton, kRecallMemoATag, kMemoRecallABitmap, CRect(279, b - 31, 291, b - 17)},
        {recallMemoBButton, kRecallMemoBTag, kMemoRecallBBitmap, CRect(279, b - 16, 291, b - 2)},
        {storeMemoAButton, kStoreMemoATag, kMemoStoreABitmap, CRect(255, b - 31, 267, b - 17)},
        {storeMemoBButton, kStoreMemoBTag, kMemoStoreBBitmap, CRect(255, b - 16, 267, b - 2)},
    };
    for (const Memo& memo : memos)
    {
        auto* bitmap = new CBitmap(zoomedBitmapId(memo.bitmap, zoom));
        memo.button = new COrvOnOffButton(z(memo.size), this, memo.tag, bitmap);
        frame->addView(memo.button);
        bitmap->forget();
    }
    panel->forget();
    return true;
}

void CPresetSystemEditor::close()
{
    nameField = nullptr;
    programList = nullptr;
    stepRocker = nullptr;
    loadBankButton = saveBankButton = loadPresetButton = savePresetButton = nullptr;
    recallMemoAButton = recallMemoBButton = storeMemoAButton = storeMemoBButton = nullptr;
    files.setOwnerWindow(nullptr);
}

void CPresetSystemEditor::idle()
{
    if (!presetEffect || !frame)
        return;
    takePendingProgramName();
    CView* hovered = frame->getCurrentView();
    CPoint where;
    frame->getCurrentLocation(where);
    // Each mark is set once to its new state, so only a change redraws.
    for (CSaveLoadButton* button : {loadBankButton, saveBankButton, loadPresetButton, savePresetButton})
        if (button)
            button->setHover(button == hovered);
    if (stepRocker)
        stepRocker->setHover(stepRocker == hovered, where);
    for (COrvOnOffButton* button : {recallMemoAButton, recallMemoBButton, storeMemoAButton, storeMemoBButton})
        if (button)
            button->setHover(button == hovered);
}

void CPresetSystemEditor::takePendingProgramName()
{
    if (!programNamePending.exchange(false) || !presetEffect)
        return;
    if (const CProgram* program = presetEffect->getStoredProgram(presetEffect->getCurrentProgramIndex()))
        showProgramName(program->name());
}

void CPresetSystemEditor::updateProgramName(const char* name)
{
    if (!onEditorThread())
    {
        // The store already holds the name; the next idle shows it.
        programNamePending = true;
        return;
    }
    showProgramName(name);
}

void CPresetSystemEditor::showProgramName(const char* name)
{
    if (!name)
        return;
    if (nameField)
        nameField->setText(name);
    if (programList)
    {
        programList->setEntry(programList->getCurrent(nullptr, true), name);
        programList->setEntry(0, name);
    }
}

void CPresetSystemEditor::showAllProgramNames()
{
    if (!presetEffect)
        return;
    if (programList)
    {
        for (VstInt32 n = 0; n < kNumStoredPrograms; ++n)
            programList->setEntry(listEntryOf(n), presetEffect->getStoredProgram(n)->name());
        programList->setCurrent(presetEffect->getCurrentProgramIndex(), false);
    }
    if (nameField)
        nameField->setText(presetEffect->getStoredProgram(presetEffect->getCurrentProgramIndex())->name());
}

void CPresetSystemEditor::renameCurrentProgram(const char* text)
{
    if (!presetEffect)
        return;
    char name[CProgram::kNameCapacity];
    cutName(text, name);
    showProgramName(name);
    if (nameField)
        nameField->setText(name);
    presetEffect->renameProgram(name);
}

void CPresetSystemEditor::chooseProgram(long index, const char* name)
{
    if (!presetEffect || index < 0 || index >= kNumStoredPrograms)
        return;
    char cut[CProgram::kNameCapacity];
    cutName(name, cut);
    if (nameField)
        nameField->setText(cut);
    if (programList)
        programList->setEntry(0, cut);
    presetEffect->selectProgram(static_cast<VstInt32>(index));
}

void CPresetSystemEditor::valueChanged(CDrawContext*, CControl* control)
{
    if (!presetEffect || !control)
        return;
    switch (control->getTag())
    {
    case kNameFieldTag:
        if (nameField == control)
            renameCurrentProgram(nameField->getText());
        break;
    case kProgramListTag:
        if (programList == control)
        {
            char text[CTextEdit::kMaxLength + 1] = {};
            const long index = programList->getCurrent(text, false);
            chooseProgram(index, text);
        }
        break;
    case kRecallMemoATag:
        presetEffect->recallMemoA();
        break;
    case kRecallMemoBTag:
        presetEffect->recallMemoB();
        break;
    case kStoreMemoATag:
        presetEffect->storeMemoA();
        break;
    case kStoreMemoBTag:
        presetEffect->storeMemoB();
        break;
    default:
        break;
    }
}

void CPresetSystemEditor::stepProgram(bool up)
{
    if (!presetEffect)
        return;
    VstInt32 n = presetEffect->getCurrentProgramIndex() + (up ? 1 : -1);
    n = n < 0 ? 0 : n >= kNumStoredPrograms ? kNumStoredPrograms - 1 : n;
    const char* name = presetEffect->getStoredProgram(n)->name();
    if (programList)
    {
        programList->setCurrent(n, false);
        programList->setEntry(0, name);
    }
    if (nameField)
        nameField->setText(name);
    presetEffect->selectProgram(n);
}

void CPresetSystemEditor::loadBank()
{
    if (files.loadBank())
        showAllProgramNames();
}

void CPresetSystemEditor::saveBank()
{
    files.saveBank();
}

void CPresetSystemEditor::loadPreset()
{
    // The file operation shows the new name (updateProgramName) itself.
    files.loadPreset();
}

void CPresetSystemEditor::savePreset()
{
    files.savePreset();
}
