// Drives the engine's input and output stages around a kernel of the test's
// own: the algorithm's place in the block is taken by a copy of the decimated
// input (or by silence), so the stages can be checked on their own.
#pragma once

#include "ReverbEngine.h"

#include <algorithm>

struct BlockPathProbe
{
    // One host block; the kernel copies its input when `runs`, else writes silence.
    static void block(ReverbEngine& engine, const float* inL, const float* inR, float* outL, float* outR, int32_t n,
                      bool runs = true)
    {
        const int32_t m = engine.inputStage(inL, inR, n);
        float* wetL = engine.wetL + engine.wetCarry;
        float* wetR = engine.wetR + engine.wetCarry;
        if (runs)
        {
            std::copy_n(engine.kernelInL, m, wetL);
            std::copy_n(engine.kernelInR, m, wetR);
        }
        else
        {
            std::fill_n(wetL, m, 0.0f);
            std::fill_n(wetR, m, 0.0f);
        }
        engine.outputStage(outL, outR, n, engine.wetCarry + m);
    }

    static void identityBlock(ReverbEngine& engine, const float* inL, const float* inR, float* outL, float* outR,
                              int32_t n)
    {
        block(engine, inL, inR, outL, outR, n, true);
    }

    static int32_t inputStage(ReverbEngine& engine, const float* inL, const float* inR, int32_t n)
    {
        return engine.inputStage(inL, inR, n);
    }

    static int32_t wetCarry(const ReverbEngine& engine) { return engine.wetCarry; }
};
