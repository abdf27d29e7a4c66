// The factory bank: the edit buffer "Current", "Default" and 51 named
// programs grouped by algorithm type.
#pragma once

#include <cstdint>

struct FactoryProgram
{
    const char* name;
    double values[16];
};

constexpr int32_t kNumStoredPrograms = 53; // the edit buffer and 52 programs

extern const FactoryProgram kFactoryBank[kNumStoredPrograms];
