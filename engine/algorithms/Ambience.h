// Ambience: early reflections without any feedback. The tone-shaped input of
// each channel is written into a long ring (X left, Y right). Twelve groups
// of three taps, spread over the first 100 ms times a size factor, are summed
// and smoothed by a one-pole low-pass that darkens later groups more; each
// group is then diffused by a chain of three lattice allpasses. Six groups
// make each wet channel, weighted so that with Decay 0 each group is half as
// loud as the one before and with Decay 1 all are equal. Tap lengths are in
// seconds, so they scale with the internal rate. The long rings run on a
// 16-bit write position; the allpass rings use its low 14 bits.
#pragma once

#include "Algorithm.h"
#include "ReverbSkeleton.h"

struct Ambience
{
    static constexpr int32_t kGroups = 12; // L1..L6, then R1..R6
    static constexpr int32_t kGroupTaps = 3;
    static constexpr int32_t kStages = 3;
    static constexpr int32_t kWeights = 6;

    // Computed by prepare.
    float sizeFactor = 0.0f;   // d
    float allpassScale = 0.0f; // K
    float apGain = 0.0f;
    float damping = 0.0f; // g: smoothing coefficient of the first group pair
    float smoothing[kWeights] = {};
    float weights[kWeights] = {};
    LongTaps<kGroupTaps> groupTaps[kGroups]; // on X or Y
    ShortTaps<kStages> allpassTaps[kGroups];

    PreparedFrom prepared;

    // Per-sample state: one smoother per group.
    float smoothed[kGroups] = {};

    void prepare(ReverbEngine& engine);
    void placeTaps(ReverbEngine& engine);
    void kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void clear(ReverbEngine& engine, StateClear when);

private:
    void kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                       int32_t m);

    // Longest chunk the placed taps allow (prepare).
    int32_t chunkLimit = 1;
    // The chunked kernel's working arrays: per group, its tap sum, then the
    // smoothed value, then the allpass chain's output.
    struct Scratch
    {
        InputChunk input;
        alignas(16) float group[kGroups][kMaxChunk];
    } scratch;
};
