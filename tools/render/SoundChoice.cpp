#include "SoundChoice.h"

#include "ParameterText.h"
#include "ProgramFileReader.h"

#include <charconv>

namespace
{
void storeProgram(Corvanta& effect, int32_t n, const CProgram& program)
{
    CProgram* stored = effect.getStoredProgram(n);
    if (!stored)
        return;
    stored->setName(program.name());
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        stored->setParameter(i, program.getParameter(i));
}

// The two file loads read through presets/ProgramFileReader; they are the
// only places the renderer touches the file formats.

// Loads a bank into the whole store, as the editor's bank load does.
bool loadBank(Corvanta& effect, const std::string& path, std::string& error)
{
    ProgramArray bank;
    if (!loadBankFile(path, bank, error))
    {
        error = path + ": " + error;
        return false;
    }
    for (int32_t n = 0; n < kNumStoredPrograms; ++n)
        storeProgram(effect, n, bank[static_cast<size_t>(n)]);
    return true;
}

// Loads a preset into the current program and selects it, as the editor's
// preset load does.
bool loadPreset(Corvanta& effect, const std::string& path, std::string& error)
{
    CProgram program;
    if (!loadPresetFile(path, program, error))
    {
        error = path + ": " + error;
        return false;
    }
    const VstInt32 current = effect.getCurrentProgramIndex();
    storeProgram(effect, current, program);
    effect.selectProgram(current);
    return true;
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
    if (!options.bankFile.empty() && !loadBank(effect, options.bankFile, error))
        return false;
    if (!options.presetFile.empty() && !loadPreset(effect, options.presetFile, error))
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
    else if (!options.bankFile.empty())
        effect.selectProgram(0);
    for (const ParameterSetting& setting : options.settings)
        host.setParameter(setting.index, setting.value);
    return true;
}
