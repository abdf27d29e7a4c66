// The Club: the Chamber's skeleton (CombAllpassNetwork, ReverbSkeleton.h)
// with other constants and four differences. Its 24 comb loops feed back
// positively; twelve of them write their new sample 1339 samples behind the
// shared write position (at early tap 2's position), which shortens those
// loops to 415..1745 samples; the loops are fed and summed in another
// pattern; and each output's twelve early reflections read its own input
// channel only, so the other channel reaches an output only through the
// loops. All lengths but the output allpasses' are fixed in samples at the
// 44.1 kHz reference.
//
// Threads: prepare and kernel run on the audio thread, clear as the engine's
// lifecycle says (Algorithm.h).
#pragma once

#include "Algorithm.h"
#include "ReverbSkeleton.h"

struct Club
{
    // Computed by prepare.
    float sizeFactor = 0.0f;
    float timeUnit = 0.0f; // samples per millisecond at the reference rate
    float loopGain = 0.0f; // the loops' positive feedback
    CombAllpassNetwork network;

    void prepare(ReverbEngine& engine);
    // What the prepare last computed from.
    PreparedFrom prepared;
    void kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void clear(ReverbEngine& engine, StateClear when);
};
