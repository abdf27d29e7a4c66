// Prints the effect's identity and its parameters with their display texts,
// asking the effect through its dispatcher the way a host lists a plug-in.
#include "Corvanta.h"

#include <cstdio>

namespace
{
VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr ask(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, void* ptr = nullptr)
{
    return effect->dispatcher(effect, opcode, index, 0, ptr, 0.0f);
}
} // namespace

int main()
{
    auto* corvanta = new Corvanta(hostCallback);
    AEffect* effect = corvanta->getAeffect();
    char text[256] = {};
    ask(effect, effGetEffectName, 0, text);
    std::printf("Effect:   %s\n", text);
    ask(effect, effGetProductString, 0, text);
    std::printf("Product:  %s\n", text);
    ask(effect, effGetVendorString, 0, text);
    std::printf("Vendor:   %s (version %d)\n", text, static_cast<int>(ask(effect, effGetVendorVersion)));
    const auto id = static_cast<uint32_t>(effect->uniqueID);
    std::printf("ID:       %c%c%c%c, %d in, %d out, %d program(s)\n", static_cast<char>(id >> 24),
                static_cast<char>(id >> 16), static_cast<char>(id >> 8), static_cast<char>(id), effect->numInputs,
                effect->numOutputs, effect->numPrograms);
    ask(effect, effGetProgramName, 0, text);
    std::printf("Program:  %s\n\n", text);
    for (VstInt32 i = 0; i < effect->numParams; ++i)
    {
        char name[256] = {};
        char display[256] = {};
        ask(effect, effGetParamName, i, name);
        ask(effect, effGetParamDisplay, i, display);
        std::printf("%2d  %-9s %-10s %.6f\n", static_cast<int>(i), name, display,
                    static_cast<double>(effect->getParameter(effect, i)));
    }
    ask(effect, effClose);
    return 0;
}
