// The Cathedral: 48 recirculating comb rings, 24 per output channel, with
// damped feedback lengths on a quarter-tone ladder (about 1210 to 2365
// samples). Every ring is fed one of four fixed mixtures of the two
// tone-shaped input channels (formed in double precision), so both inputs
// reach both outputs. A channel's output is the sum of one tap on each of its
// 24 rings, the taps spread from 28 to about 2430 samples behind the write
// position, scaled and passed through four lattice allpasses. There are no
// early taps on the input and no allpasses inside the loops. Every length is
// fixed in samples (the left bank's drawn from the seeded tap jitter), so the
// network sounds the same size at every internal rate.
//
// Rings: short rings 0..23 hold the left bank, 24..47 the right bank, 48..55
// the output allpasses (left stages 1..4, then right).
//
// Threads: prepare and kernel run on the audio thread, clear as the engine's
// lifecycle says (Algorithm.h).
#pragma once

#include "Algorithm.h"
#include "ReverbSkeleton.h"

struct Cathedral
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
    // output tap i reads loop ring i. The loops keep their damping states
    // between samples.
    DampedLoopRing loops[kRings];
    ShortTaps<kRings> outputTaps;
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
        double mixtures[4][kMaxChunk]; // the four input mixtures, by Mixture
    } scratch;
};
