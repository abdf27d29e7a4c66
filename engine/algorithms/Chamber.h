// The Chamber: 24 damped comb loops, each with an inverting allpass inside
// and negative feedback, fed alternately from the left and right tone-shaped
// inputs. Twelve loop outputs are summed per output channel and pass three
// output allpasses; twelve signed early reflections, read from the tone ring
// of either channel, join before the last allpass. Loop and allpass lengths
// are fixed in samples at the 44.1 kHz reference (1024 to 2728 samples for
// the combs); only the output allpasses scale with the internal rate. The
// network itself is CombAllpassNetwork (ReverbSkeleton.h), which the Club
// shares with other tables.
//
// Threads: prepare and kernel run on the audio thread, clear as the engine's
// lifecycle says (Algorithm.h).
#pragma once

#include "Algorithm.h"
#include "ReverbSkeleton.h"

struct Chamber
{
    // Computed by prepare.
    float sizeFactor = 0.0f;
    float timeUnit = 0.0f; // samples per millisecond at the reference rate
    float loopGain = 0.0f; // magnitude of the loops' negative feedback
    CombAllpassNetwork network;

    void prepare(ReverbEngine& engine);
    // What the prepare last computed from.
    PreparedFrom prepared;
    void kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void clear(ReverbEngine& engine, StateClear when);
};
