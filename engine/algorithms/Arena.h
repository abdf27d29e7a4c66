// The Arena: 48 independent recirculating comb rings, 24 per output channel.
// Each ring has one damped feedback tap whose length is a slightly jittered
// step of a quarter-tone ladder (1151 to 2237 samples), and is fed from an
// early-reflection tap of its own on the tone-shaped input (231 to about
// 10700 samples back), so that every comb starts at a different time and the
// room keeps filling long after the direct sound. A channel's output is the
// sum of the values just written into its 24 rings, passed through four
// lattice allpasses and scaled. There are no allpasses inside the loops.
// Every length is fixed in samples (drawn from the seeded tap jitter), so the
// network sounds the same size at every internal rate.
//
// Rings: short rings 0..23 hold the left bank, 24..47 the right bank, 48..55
// the output allpasses (left stages 1..4, then right); the tone ring pair
// holds the tone-shaped input for the early taps.
//
// Threads: prepare and kernel run on the audio thread, clear as the engine's
// lifecycle says (Algorithm.h).
#pragma once

#include "Algorithm.h"
#include "ReverbSkeleton.h"

struct Arena
{
    static constexpr int32_t kRingsPerChannel = 24;
    static constexpr int32_t kRings = 2 * kRingsPerChannel;
    static constexpr int32_t kFirstLoopRing = 0;
    static constexpr int32_t kFirstDiffuserRing = kFirstLoopRing + kRings;

    // Computed by prepare.
    float sizeFactor = 0.0f;
    float loopGain = 0.0f;
    float apGain = 0.0f;
    float dampCoef = 0.0f;

    // Index k for the left bank, kRingsPerChannel + k for the right bank;
    // early tap i feeds loop ring i. The loops keep their damping states
    // between samples.
    DampedLoopRing loops[kRings];
    EarlyTaps<kRings> early;
    LatticeDiffuser diffusers[2];

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

    // Longest chunk the placed taps allow (prepare).
    int32_t chunkLimit = 1;
    // The chunked kernel's working arrays.
    struct Scratch
    {
        InputChunk input;
        DampedLoopChunk<kRings> loops;
        float early[kMaxChunk]; // an early tap's samples where they wrap
    } scratch;
};
