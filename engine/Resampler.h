// The decimation and interpolation filters between the host rate and the
// internal rate. Each channel keeps a 64-entry history written at an index
// that moves down by one per host sample, so entry (index + k) & 63 holds the
// sample written k host samples ago.
//
// Threads: audio thread; reset also by suspend and resume (no block running).
#pragma once

#include <cstdint>

struct ResamplerState
{
    static constexpr int32_t kHistory = 64;
    static constexpr int32_t kMask = kHistory - 1;

    float decimatorL[kHistory] = {};
    float decimatorR[kHistory] = {};
    float interpolatorL[kHistory] = {};
    float interpolatorR[kHistory] = {};
    int32_t decimatorIndex = kMask;
    int32_t interpolatorIndex = kMask;
    int32_t decimatorPhase = 0;
    int32_t interpolatorPhase = 0;

    // Histories to zero, write indices to 63, phases to 0.
    void reset();
    // Histories to zero; indices and phases run on.
    void clearHistories();
};

// Half-band decimator, 31 taps, for a factor of 2.
float decimateBy2(const float* history, int32_t index);
// decimateBy2 for `count` outputs at once, four to a vector lane with each
// lane's steps those of decimateBy2: output o is taken at line[first + 2 o],
// line[p - k] holding the sample k host samples before the one at p.
void decimateBy2Run(const float* line, int32_t first, int32_t count, float* out);
// 7-tap decimator for a factor of 4.
float decimateBy4(const float* history, int32_t index);
// Half-band interpolator over a zero-stuffed history, factor 2.
float interpolateBy2(const float* history, int32_t index);
// Interpolator for a factor of 4; `phase` is the phase after this sample's step.
float interpolateBy4(const float* history, int32_t index, int32_t phase);
