// The preset or the bank loader (CORVANTA_FUZZ_BANK) as the preset bar's
// Load button drives it: the input is the file the user picked. Each input
// starts from the factory bank; after any load, accepted or refused, every
// stored value lies in 0..1 and every name fits its 24 characters.
#include "Corvanta.h"
#include "FakeFileUi.h"
#include "FuzzHost.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
struct LoaderRig
{
    std::string path = fuzzDirectory().file(CORVANTA_FUZZ_BANK ? "input.orb" : "input.orv");
    ScriptedChooser chooser;
    RecordingMessages messages;
    Corvanta effect{fuzzHostCallback};
    CPresetFiles files{&effect, chooser, messages};
};

void fail(const char* what, int32_t program, int32_t index)
{
    std::fprintf(stderr, "%s (program %d, index %d)\n", what, program, index);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    useFuzzConfigHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static LoaderRig rig;
    // A new file each time: rewriting one in place costs a disk flush.
    std::remove(rig.path.c_str());
    writeBytes(rig.path, data, size);
    rig.effect.loadFactoryPrograms();
    rig.effect.selectProgram(0);
    rig.chooser.answers = {rig.path};
    if (CORVANTA_FUZZ_BANK)
        rig.files.loadBank();
    else
        rig.files.loadPreset();
    // What the stand-ins recorded goes with the input, so an input that
    // keeps memory is the loader's doing.
    rig.chooser.seen.clear();
    rig.messages.shown.clear();

    for (int32_t p = 0; p < kNumStoredPrograms; ++p)
    {
        const CProgram& program = *rig.effect.getStoredProgram(p);
        if (strnlen(program.name(), CProgram::kNameCapacity) > CProgram::kMaxNameLength)
            fail("name longer than 24 characters", p, -1);
        for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        {
            const float v = program.getParameter(i);
            if (!(v >= 0.0f && v <= 1.0f))
                fail("stored value outside 0..1", p, i);
        }
    }
    char text[kVstMaxLabelLen] = {};
    for (int32_t i = 0; i < kNumParameterSlots; ++i)
        rig.effect.getParameterDisplay(i, text);
    return 0;
}
