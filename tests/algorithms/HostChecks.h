// Checks of what a host hears from one algorithm, run on an effect instance
// built in-process so the engine's sleep state can be read as well.
#pragma once

#include <cstdint>

struct PowerOffTail
{
    float peakBeforePowerOff = 0.0f;  // wet output while the burst plays
    float peakJustAfter = 0.0f;       // first 0.1 s after Power went off, input still playing
    float peakInTenthSecond = 0.0f;   // the tenth second after Power went off, input still playing
    bool sleptAfterInputStopped = false;
};

// Wet only at 44100 Hz: a noise burst with Power on, then Power off while the
// same noise keeps playing for ten seconds, then silence until the engine
// sleeps (at most three seconds).
PowerOffTail powerOffTail(int32_t type);

struct NoiseLoad
{
    bool finite = true;
    float peakFirstThird = 0.0f;
    float peakLastThird = 0.0f;
};

// Wet only at 44100 Hz with Decay 1: `seconds` of full-scale white noise.
NoiseLoad fullScaleNoiseAtLongestDecay(int32_t type, int32_t seconds);

struct TypeSelection
{
    int32_t currentType = -1;
    float wetPeak = 0.0f;
};

// Selects factory program `program` (or, with -1, only sets Type to `type`),
// lets the type fade run out on silence and plays a click: the type the
// engine then runs and the peak of its wet answer.
TypeSelection selectAndPlay(int32_t type, int32_t program);
