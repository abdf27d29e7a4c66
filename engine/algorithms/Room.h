// Room: two banks of twelve damped comb filters, fed in parallel from the
// tone-shaped input, with lengths a quarter tone apart (powers of 2^(1/24)).
// There are no separate early-reflection lines: twelve short taps per output
// channel read the comb rings close behind their write position, where they
// still hold the recent input. Each channel's tap sum is scaled and diffused
// by four lattice allpasses of alternating sign. Lengths are samples at a
// fixed 44.1 kHz reference, so the room is smaller at higher internal rates.
// Unlike the other networks, positions and taps advance at the start of a
// sample.
#pragma once

#include "Algorithm.h"
#include "ReverbSkeleton.h"

struct Room
{
    static constexpr int32_t kBanks = 2; // A, B
    static constexpr int32_t kCombs = 12;
    static constexpr int32_t kEarlyTaps = 12;

    // Computed by prepare.
    float sizeFactor = 0.0f; // c
    float msUnit = 0.0f;     // u: samples per millisecond at the reference rate
    float combGain = 0.0f;   // G
    float apGain = 0.0f;
    float dampCoef = 0.0f;
    ShortTaps<kCombs> combTaps[kBanks];
    ShortTaps<kEarlyTaps> earlyTaps[2]; // left, right
    LatticeDiffuser diffusers[2];
    float* combs[kBanks][kCombs] = {};

    // Per-sample state.
    DampingLowpass damping[kBanks][kCombs];

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
    // The chunked kernel's working arrays: per comb (bank A, then B) its
    // tap, then the damped value, then the ring's new sample.
    struct Scratch
    {
        InputChunk input;
        alignas(16) float comb[kBanks * kCombs][kMaxChunk];
        float sum[kMaxChunk];
    } scratch;
};
