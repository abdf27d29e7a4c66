#include "SoundChoice.h"

#include "CPresetFiles.h"
#include "FileAccess.h"
#include "ParameterText.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <vector>

namespace
{
// Stands in for the editor's file dialog and message box: hands the preset
// system's file operations the file named on the command line and keeps
// the message a refused file gives.
class CommandLineFile : public CFileChooser, public CMessageDisplay
{
public:
    explicit CommandLineFile(const std::string& file) : path(std::filesystem::absolute(file).string()) {}

    bool choose(const FileChooserRequest&, std::string& chosen) override
    {
        chosen = path;
        return true;
    }
    void showError(const char*, const char* text) override { message = text ? text : ""; }

    std::string message;

private:
    std::string path;
};

enum class FileKind
{
    bank,
    preset
};

// Loads a bank (all 53 programs, then program 0 selected) or a preset (into
// the current program, then selected) as the preset bar's file buttons do.
bool loadFile(Corvanta& effect, const std::string& path, FileKind kind, std::string& error)
{
    // The file operations fail silently on a file they cannot open, as the
    // editor's dialogs only offer files that exist; say why here, without
    // waiting on a pipe as opening it for reading would.
    std::vector<uint8_t> nothing;
    int systemError = 0;
    const FileOpening opening = readFileStart(path, 0, nothing, &systemError);
    if (opening != FileOpening::ok)
    {
        error = opening == FileOpening::cannotOpen ? path + ": " + std::strerror(systemError)
                                                   : path + " " + fileOpeningText(opening);
        return false;
    }
    CommandLineFile source(path);
    CPresetFiles files(&effect, source, source);
    if (kind == FileKind::bank ? files.loadBank() : files.loadPreset())
        return true;
    error = path + ": " + (source.message.empty() ? "cannot be read" : source.message);
    return false;
}
} // namespace

int32_t findProgram(Corvanta& effect, std::string_view nameOrNumber)
{
    int32_t number = -1;
    const char* end = nameOrNumber.data() + nameOrNumber.size();
    const auto result = std::from_chars(nameOrNumber.data(), end, number);
    if (result.ec == std::errc() && result.ptr == end)
        return number >= 0 && number < kNumStoredPrograms ? number : -1;
    for (int32_t n = 0; n < kNumStoredPrograms; ++n)
    {
        const CProgram* program = effect.getStoredProgram(n);
        if (program && equalsIgnoringCase(program->name(), nameOrNumber))
            return n;
    }
    return -1;
}

bool chooseSound(EffectHost& host, const RenderOptions& options, std::string& error)
{
    Corvanta& effect = host.effect();
    if (!options.bankFile.empty() && !loadFile(effect, options.bankFile, FileKind::bank, error))
        return false;
    if (!options.presetFile.empty() && !loadFile(effect, options.presetFile, FileKind::preset, error))
        return false;
    if (!options.program.empty())
    {
        const int32_t n = findProgram(effect, options.program);
        if (n < 0)
        {
            error = "no program '" + options.program + "' in the " +
                    (options.bankFile.empty() ? "factory bank" : "bank " + options.bankFile) +
                    " (see --list-programs)";
            return false;
        }
        effect.selectProgram(n);
    }
    for (const ParameterSetting& setting : options.settings)
        host.setParameter(setting.index, setting.value);
    return true;
}
