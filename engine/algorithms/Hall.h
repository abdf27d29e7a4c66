// Hall: 24 recirculating rings, each read at two taps whose lengths are the
// periods of closely spaced pitches. The first tap, damped, goes back into
// its own ring with the tone-shaped input of one channel; the second, damped,
// is written with the other channel's input into a companion echo ring that
// does not recirculate. The left output sums one tap on every recirculating
// ring, the right output one tap on every echo ring; each sum is scaled and
// diffused by four lattice allpasses of alternating sign. No early taps, no
// allpasses inside the loops. Lengths are samples at a fixed 44.1 kHz
// reference and do not follow the internal rate.
#pragma once

#include "Algorithm.h"
#include "ReverbSkeleton.h"

struct Hall
{
    static constexpr int32_t kRings = 24;

    // Computed by prepare.
    float sizeFactor = 0.0f; // s
    float loopGain = 0.0f;
    float apGain = 0.0f;
    float dampCoef = 0.0f;
    ShortTaps<kRings> feedbackTaps; // on the loop rings
    ShortTaps<kRings> secondTaps;   // on the loop rings, feeding the echo rings
    ShortTaps<kRings> leftTaps;     // on the loop rings
    ShortTaps<kRings> rightTaps;    // on the echo rings
    LatticeDiffuser diffusers[2];   // left, right
    float* loops[kRings] = {};
    float* echoes[kRings] = {};

    // Per-sample state: the damping of each feedback and each second tap.
    float feedbackDamped[kRings] = {};
    float secondDamped[kRings] = {};

    void prepare(ReverbEngine& engine);
    // The prepare's part that follows the internal rate: the fixed sizes and every tap.
    void placeTaps(ReverbEngine& engine);
    // What the prepare last computed from.
    PreparedFrom prepared;
    void kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void clear(ReverbEngine& engine, StateClear when);

private:
    void kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                       int32_t m);
    // Reads both damped taps of every loop ring for the chunk, stepping the
    // tone stages beside them; pairs as dampUnitsFor takes it.
    void runDampings(const float* noise, int32_t c, bool pairs, ToneChunk& toneStages);

    // Longest chunk the placed taps allow (prepare).
    int32_t chunkLimit = 1;
    // The chunked kernel's working arrays: per ring, the damped taps (a
    // tap's samples copied there first where they wrap).
    struct Scratch
    {
        InputChunk input;
        float feedback[kRings][kMaxChunk];
        float second[kRings][kMaxChunk];
    } scratch;
};
