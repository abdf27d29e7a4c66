// The preset system between the host interface and the reverb: a store of 53
// programs, element 0 being the edit buffer that always mirrors what the
// effect runs. Towards the host it shows one program and no chunk; the real
// bank is selected, renamed and saved through the editor's preset bar.
//
// Threads: everything here runs on the host's control or user-interface
// threads, which may be two at once (automation sets parameters while the
// editor selects a program): the values in the store, the current program's
// index and the loading mark are atomic. The audio thread never touches the
// store.
#pragma once

#include "AudioEffectX.h"
#include "CProgram.h"
#include "FactoryBank.h"

#include <atomic>

class CPresetSystemEffect : public AudioEffectX
{
public:
    explicit CPresetSystemEffect(audioMasterCallback audioMaster);
    ~CPresetSystemEffect() override;

    // Writes a parameter change back into the current program and the edit
    // buffer, unless a program is being selected. Derived effects call this
    // after their own engine work.
    void setParameter(VstInt32 index, float value) override;

    VstInt32 getProgram() override { return 0; }
    void setProgram(VstInt32) override {}
    void getProgramName(char* name) override;
    void setProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 getChunk(void**, bool) override { return 0; }
    VstInt32 setChunk(void*, VstInt32, bool) override { return 0; }

    virtual VstInt32 getCurrentProgramIndex() { return currentProgram.load(); }
    // A name from the host or a memo recall; the editor is told.
    virtual void setCurrentProgramName(const char* name);
    // A name the user typed in the editor; the host is told.
    virtual void renameProgram(const char* name);
    // Runs every value of program n through setParameter, announcing each
    // to the host, and makes n the current program.
    virtual void selectProgram(VstInt32 n);
    // The memo slots (CMemoSlots): each returns 0 or the store's error.
    virtual VstInt32 storeMemoA();
    virtual VstInt32 storeMemoB();
    virtual VstInt32 recallMemoA();
    virtual VstInt32 recallMemoB();
    virtual void setParameterAndAnnounce(VstInt32 index, float value);
    virtual void loadFactoryPrograms();
    // A bank (or a preset) file at `path` was read into the store and the
    // program it fills is about to be selected: an effect whose programs
    // also live elsewhere passes the path on.
    virtual void programsReadFromFile(bool bank, const char* path)
    {
        (void)bank;
        (void)path;
    }

    // An automated edit that tells the host the value the effect kept (7.0
    // is announced as the 1.0 it became); a value the effect ignores (NaN)
    // is neither applied nor announced.
    void setParameterAutomatedAsKept(VstInt32 index, float value);

    // Element n of the store (0 is the edit buffer), or null outside 0..52.
    CProgram* getStoredProgram(VstInt32 n);
    bool isLoadingProgram() const { return loading.load(); }

protected:
    // Writes a global parameter (Power, Mix, Output) into every program.
    void storeInAllPrograms(VstInt32 index, float value);

    CProgram* programs = nullptr;
    std::atomic<VstInt32> currentProgram{0};
    std::atomic<bool> loading{false};
};
