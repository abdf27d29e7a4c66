// The overload lamp's readout: the highest output level of the last hold
// period. It follows a rising level at once and falls to the current level
// only after the engine has processed `meterHoldBlocks` blocks below it.
//
// Threads: update runs on the editor's thread; the engine's meter fields it
// reads and clears are written by the audio thread without a lock (a lost
// update only affects the display).
#pragma once

#include "ReverbEngine.h"

struct PeakHold
{
    double heldPeak = 0.0;
    int32_t holdCount = 0;

    // One editor idle: takes the left peak since the last idle and answers
    // whether it was an overload (1) or not (0). Clears both peaks.
    float update(ReverbEngine& engine)
    {
        const float p = engine.peakL;
        const float over = p >= 1.0f ? 1.0f : 0.0f;
        if (p < heldPeak)
        {
            holdCount += engine.blockCount;
            engine.blockCount = 0;
            if (holdCount >= engine.meterHoldBlocks)
            {
                heldPeak = p;
                holdCount = 0;
            }
        }
        else
        {
            holdCount = 0;
            heldPeak = p;
        }
        engine.peakL = 0.0f;
        engine.peakR = 0.0f;
        return over;
    }
};
