#include "CPresetSystemEffect.h"

#include "AEffEditor.h"
#include "CMemoSlots.h"

#include <cmath>
#include <cstring>
#include <new>

CPresetSystemEffect::CPresetSystemEffect(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 1, 16)
{
    programs = new (std::nothrow) CProgram[kNumStoredPrograms];
    loadFactoryPrograms();
    curProgram = 0;
}

CPresetSystemEffect::~CPresetSystemEffect()
{
    delete[] programs;
}

CProgram* CPresetSystemEffect::getStoredProgram(VstInt32 n)
{
    return programs && n >= 0 && n < kNumStoredPrograms ? &programs[n] : nullptr;
}

void CPresetSystemEffect::setParameter(VstInt32 index, float value)
{
    if (!programs || static_cast<uint32_t>(index) >= CProgram::kNumValues || loading)
        return;
    programs[currentProgram].setParameter(index, value);
    programs[0].setParameter(index, value);
}

void CPresetSystemEffect::storeInAllPrograms(VstInt32 index, float value)
{
    if (!programs)
        return;
    for (VstInt32 n = 0; n < kNumStoredPrograms; ++n)
        programs[n].setParameter(index, value);
}

void CPresetSystemEffect::getProgramName(char* name)
{
    if (programs)
        copyText(name, programs[0].name(), CProgram::kNameCapacity);
    else
        copyText(name, "", CProgram::kNameCapacity);
}

void CPresetSystemEffect::setProgramName(char* name)
{
    setCurrentProgramName(name);
}

bool CPresetSystemEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (index != 0 || !programs || !text)
        return false;
    programs[0].getName(text);
    return true;
}

void CPresetSystemEffect::setCurrentProgramName(const char* name)
{
    if (!programs || !name)
        return;
    char cut[CProgram::kNameCapacity] = {};
    std::memcpy(cut, name, strnlen(name, CProgram::kMaxNameLength));
    programs[currentProgram].setName(cut);
    programs[0].setName(cut);
    if (editor)
        editor->updateProgramName(cut);
}

void CPresetSystemEffect::renameProgram(const char* name)
{
    if (!programs || !name)
        return;
    programs[currentProgram].setName(name);
    programs[0].setName(name);
    updateDisplay();
}

void CPresetSystemEffect::selectProgram(VstInt32 n)
{
    // Callers pass 0..52; anything else would index outside the store.
    if (!programs || n < 0 || n >= kNumStoredPrograms)
        return;
    loading = true;
    currentProgram = n;
    for (VstInt32 i = 0; i < CProgram::kNumValues; ++i)
    {
        setParameterAndAnnounce(i, programs[n].getParameter(i));
        programs[0].setParameter(i, programs[n].getParameter(i));
    }
    char name[CProgram::kNameCapacity] = {};
    programs[n].getName(name);
    programs[0].setName(name);
    loading = false;
    updateDisplay();
}

VstInt32 CPresetSystemEffect::storeMemoA()
{
    return CMemoSlots().store(*this, MemoSlot::A);
}

VstInt32 CPresetSystemEffect::storeMemoB()
{
    return CMemoSlots().store(*this, MemoSlot::B);
}

VstInt32 CPresetSystemEffect::recallMemoA()
{
    return CMemoSlots().recall(*this, MemoSlot::A);
}

VstInt32 CPresetSystemEffect::recallMemoB()
{
    return CMemoSlots().recall(*this, MemoSlot::B);
}

void CPresetSystemEffect::setParameterAndAnnounce(VstInt32 index, float value)
{
    setParameter(index, value);
    if (!audioMaster)
        return;
    callHost(audioMasterBeginEdit, index);
    callHost(audioMasterAutomate, index, 0, nullptr, getParameter(index));
    callHost(audioMasterAutomate, index, 0, nullptr, value);
    callHost(audioMasterEndEdit, index);
}

void CPresetSystemEffect::setParameterAutomatedAsKept(VstInt32 index, float value)
{
    if (std::isnan(value))
        return;
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, getParameter(index));
}

void CPresetSystemEffect::loadFactoryPrograms()
{
    if (!programs)
        return;
    for (VstInt32 k = 0; k < kNumStoredPrograms; ++k)
    {
        char name[CProgram::kNameCapacity] = {};
        std::memcpy(name, kFactoryBank[k].name, strnlen(kFactoryBank[k].name, CProgram::kMaxNameLength));
        programs[k].setName(name);
        for (VstInt32 i = 0; i < CProgram::kNumValues; ++i)
            programs[k].setParameter(i, static_cast<float>(kFactoryBank[k].values[i]));
    }
}
