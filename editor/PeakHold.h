// The overload lamp's readout: the highest output level of the last hold
// period. It follows a rising level at once and falls to the current level
// only after the engine has processed `holdBlocks` blocks below it.
//
// Threads: update runs on the editor's thread. It reads the engine's meters
// through their hand-over and asks the audio thread to clear the peaks it has
// read; it writes nothing the audio thread writes.
#pragma once

#include "HandOver.h"

#include <cstdint>

struct PeakHold
{
    double heldPeak = 0.0;
    int32_t holdCount = 0;
    // The engine's block count at the last reading, and as far as the hold
    // has counted it.
    int32_t seenBlocks = 0;
    int32_t countedBlocks = 0;

    // One editor idle: takes the left peak since the last idle and answers
    // whether it was an overload (1) or not (0).
    float update(MeterHandOver& meters, int32_t holdBlocks)
    {
        const MeterReading reading = meters.read();
        // No block since the last idle: no new peak (the last one was taken).
        const float p = reading.blockCount != seenBlocks ? reading.peakL : 0.0f;
        seenBlocks = reading.blockCount;
        const float over = p >= 1.0f ? 1.0f : 0.0f;
        if (p < heldPeak)
        {
            // Counted on the engine's wrapping count; a suspend restarts it.
            const auto uncounted = static_cast<int32_t>(static_cast<uint32_t>(reading.blockCount) -
                                                        static_cast<uint32_t>(countedBlocks));
            holdCount += uncounted >= 0 ? uncounted : reading.blockCount;
            countedBlocks = reading.blockCount;
            if (holdCount >= holdBlocks)
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
        meters.requestClear(reading);
        return over;
    }
};
