#include "CMemoSlots.h"

#include "CPresetSystemEffect.h"

int32_t CMemoSlots::store(CPresetSystemEffect& effect, MemoSlot slot) const
{
    MemoContents contents;
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
    {
        contents.values[i] = effect.getParameter(i);
        contents.hasValue[i] = true;
    }
    if (const CProgram* current = effect.getStoredProgram(effect.getCurrentProgramIndex()))
        contents.name = current->name();
    contents.hasName = true;
    return memoStore.write(slot, contents);
}

int32_t CMemoSlots::recall(CPresetSystemEffect& effect, MemoSlot slot) const
{
    MemoContents contents;
    const int32_t status = memoStore.read(slot, contents);
    if (status != memo_status::kOk)
        return status;
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        if (contents.hasValue[i])
            effect.setParameterAutomatedAsKept(i, contents.values[i]);
    if (contents.hasName)
        effect.setCurrentProgramName(contents.name.c_str());
    effect.updateDisplay();
    return status;
}
