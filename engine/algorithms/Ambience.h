// The Ambience algorithm. Its network is not written yet: the common input path
// runs and the wet output is silent.
#pragma once

#include "Algorithm.h"

struct Ambience
{
    void prepare(ReverbEngine& engine);
    void kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void clear(ReverbEngine& engine, StateClear when);
};
