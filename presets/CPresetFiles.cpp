#include "CPresetFiles.h"

#include "AEffEditor.h"
#include "CPresetSystemEffect.h"
#include "FileAccess.h"
#include "PresetFileFormat.h"

#include <filesystem>
#include <vector>

namespace
{
constexpr const char* kErrorCaption = "Error...";
constexpr const char* kSaveFailed = "Could not save file!";

struct ChooserText
{
    const char* title;
    FileFilter filter;
    const char* extension;
};

constexpr ChooserText kLoadBank{"Select bank to load...", {"ORV Banks", "*.orb"}, "orb"};
constexpr ChooserText kSaveBank{"Save bank as...", {"ORV Banks", "*.orb"}, "orb"};
constexpr ChooserText kLoadPreset{"Select preset to load...", {"ORV Presets", "*.orv"}, "orv"};
constexpr ChooserText kSavePreset{"Save preset as...", {"ORV Presets", "*.orv"}, "orv"};

size_t lastSeparator(const std::string& path)
{
#if defined(_WIN32)
    return path.find_last_of("\\/");
#else
    return path.rfind('/');
#endif
}
} // namespace

CPresetFiles::CPresetFiles(CPresetSystemEffect* owner, CFileChooser& fileChooser, CMessageDisplay& messageDisplay)
    : effect(owner), chooser(fileChooser), messages(messageDisplay)
{
    // A directory the system can't name in 8-bit characters leaves it empty.
    try
    {
        std::error_code error;
        fileDirectory = std::filesystem::current_path(error).string();
    }
    catch (...)
    {
        fileDirectory.clear();
    }
}

bool CPresetFiles::hasPrograms() const
{
    return effect && effect->getStoredProgram(0);
}

bool CPresetFiles::chooseFile(Kind kind, bool save, std::string& path)
{
    const ChooserText& text = kind == Kind::bank ? (save ? kSaveBank : kLoadBank) : (save ? kSavePreset : kLoadPreset);
    std::string& fileName = kind == Kind::bank ? bankFileName : presetFileName;

    FileChooserRequest request;
    request.save = save;
    request.title = text.title;
    request.filters[0] = {"All Files", "*.*"};
    request.filters[1] = text.filter;
    request.filterIndex = 2;
    request.defaultExtension = text.extension;
    request.options = save ? kChooserOverwritePrompt | kChooserHideReadOnly
                           : kChooserFileMustExist | kChooserPathMustExist | kChooserHideReadOnly;
    request.initialDirectory = fileDirectory.c_str();
    request.fileName = fileName.c_str();
    request.ownerWindow = ownerWindow;

    std::string chosen;
    if (!chooser.choose(request, chosen))
        return false;
    const size_t cut = lastSeparator(chosen);
    fileName = cut == std::string::npos ? chosen : chosen.substr(cut + 1);
    fileDirectory = cut == std::string::npos ? std::string() : chosen.substr(0, cut + 1);
    if (fileName.empty() || fileDirectory.empty())
        return false;
    // Opened by its full path: the host's current directory is not ours to change.
    path = fileDirectory + fileName;
    return true;
}

bool CPresetFiles::saveBank()
{
    std::string path;
    if (!hasPrograms() || !chooseFile(Kind::bank, true, path))
        return false;
    ProgramBank bank;
    for (VstInt32 i = 0; i < kNumStoredPrograms; ++i)
        bank[static_cast<size_t>(i)] = recordOf(*effect->getStoredProgram(i));
    const auto bytes = writeBankFile(bank);
    return saveBytes(path, bytes.data(), bytes.size());
}

bool CPresetFiles::savePreset()
{
    std::string path;
    if (!hasPrograms() || !chooseFile(Kind::preset, true, path))
        return false;
    const CProgram* current = effect->getStoredProgram(effect->getCurrentProgramIndex());
    if (!current)
        return false;
    const auto bytes = writePresetFile(recordOf(*current));
    return saveBytes(path, bytes.data(), bytes.size());
}

bool CPresetFiles::saveBytes(const std::string& path, const uint8_t* bytes, size_t size)
{
    // A file already there is replaced only by a complete new one.
    if (replaceFile(path, bytes, size))
        return true;
    messages.showError(kErrorCaption, kSaveFailed);
    return false;
}

bool CPresetFiles::chooseAndRead(Kind kind, std::vector<uint8_t>& bytes, std::string& path)
{
    if (!hasPrograms() || !chooseFile(kind, false, path))
        return false;
    // A file that can't be opened fails silently (the chooser offers only
    // files that exist); a pipe or a folder is refused without waiting on it.
    const FileOpening opening = readFileStart(path, kind == Kind::bank ? kBankFileSize : kPresetFileSize, bytes);
    if (const char* refusal = fileOpeningText(opening))
        messages.showError(kErrorCaption,
                           ((kind == Kind::bank ? bankFileName : presetFileName) + " " + refusal).c_str());
    return opening == FileOpening::ok;
}

bool CPresetFiles::passes(FileCheck check)
{
    if (check != FileCheck::ok)
        messages.showError(kErrorCaption, fileCheckMessage(check));
    return check == FileCheck::ok;
}

bool CPresetFiles::loadBank()
{
    std::vector<uint8_t> bytes;
    std::string path;
    if (!chooseAndRead(Kind::bank, bytes, path))
        return false;
    // The whole bank is checked before the first program changes.
    ProgramBank bank;
    if (!passes(readBankFile(bytes.data(), bytes.size(), bank)))
        return false;
    for (VstInt32 i = 0; i < kNumStoredPrograms; ++i)
        applyRecord(bank[static_cast<size_t>(i)], *effect->getStoredProgram(i));
    effect->programsReadFromFile(true, path.c_str());
    effect->selectProgram(0);
    return true;
}

bool CPresetFiles::loadPreset()
{
    std::vector<uint8_t> bytes;
    ProgramRecord record;
    std::string path;
    if (!chooseAndRead(Kind::preset, bytes, path) || !passes(readPresetFile(bytes.data(), bytes.size(), record)))
        return false;
    const VstInt32 n = effect->getCurrentProgramIndex();
    CProgram* current = effect->getStoredProgram(n);
    if (!current)
        return false;
    applyRecord(record, *current);
    if (AEffEditor* editor = effect->getEditor())
        editor->updateProgramName(current->name());
    effect->programsReadFromFile(false, path.c_str());
    effect->selectProgram(n);
    return true;
}
