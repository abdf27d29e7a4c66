// Pieces shared by the comb-network algorithms (Chamber, Club, Arena,
// Cathedral): tap sets that move with the write positions, the jittered tap
// lengths drawn from TapJitter, the coefficient formulas their prepares have
// in common, the comb unit with an allpass inside its loop, the damped loop
// ring, the early-reflection tap table with its signed sums, and the two
// output diffusers (three allpasses with the early reflections joining before
// the last; four lattice allpasses of alternating sign). Chamber and Club
// also share their whole per-sample network (CombAllpassNetwork); they differ
// only in its tables and constants.
//
// Everything per sample is inline and non-virtual; ring pointers are taken
// from the engine's ring pool by the prepare that places the taps. Audio
// thread only.
#pragma once

#include "Chunk.h"
#include "DspElements.h"

#include <cstdint>

class ReverbEngine;

// ---------------------------------------------------------------------------
// Coefficients, computed in double and stored as single precision.

// (1 - highDamp) * 0.8 + 0.2: 1 passes, 0.2 damps hard.
float dampingCoefficient(float highDamp);

// diffusion * a * b, multiplied in that order.
float diffusionGain(float diffusion, double a, double b);

// x * scale formed in double, stored as single.
inline float scaleInDouble(float x, double scale)
{
    return static_cast<float>(static_cast<double>(x) * scale);
}

// The same over c samples in place, four at a time: the loads then match
// the four-lane stores of a pass before, where a wider load would wait for
// both stores to reach the cache.
inline void scaleChunkInDouble(float* x, int32_t c, double scale)
{
    using WideLanes = double __attribute__((vector_size(32)));
    int32_t i = 0;
    for (; i + kLaneWidth <= c; i += kLaneWidth)
    {
        WideLanes wide = __builtin_convertvector(loadLanes(x + i), WideLanes);
        wide *= scale;
        storeLanes(x + i, __builtin_convertvector(wide, Lanes));
    }
    for (; i < c; ++i)
        x[i] = scaleInDouble(x[i], scale);
}

// ---------------------------------------------------------------------------
// Jittered lengths. A draw r of TapJitter becomes the spread (2r / 32767 - 1)
// in -1..1; a length is spread * width * weight + base, in double, before the
// algorithm scales it to samples.

inline double jitterSpread(int32_t draw)
{
    return 2.0 * static_cast<double>(draw) / 32767.0 - 1.0;
}

// One row of a jittered tap table: the base length and how much of the
// jitter width applies (0: none).
struct JitteredTap
{
    double base;
    double weight;
};

// Draws the next value and returns spread * width * weight + base.
inline double jitteredLength(TapJitter& jitter, double width, const JitteredTap& row)
{
    return jitterSpread(jitter.next()) * width * row.weight + row.base;
}

// ---------------------------------------------------------------------------
// Tap sets. Each tap is a read position that keeps its distance behind the
// write position because both advance by one per sample.

// N taps on rings of Mask + 1 samples.
template <int32_t N, int32_t Mask>
struct TapSet
{
    int32_t at[N] = {};

    void place(int32_t i, int32_t writePos, double length)
    {
        if constexpr (Mask == kShortRingMask)
            at[i] = placeTap(writePos, length);
        else
            at[i] = placeLongTap(writePos, length);
    }
    // The same, clearing `alike` unless the tap keeps its distance at every
    // write position (placesAlike).
    void place(int32_t i, int32_t writePos, double length, bool& alike)
    {
        alike = alike && placesAlike(length, Mask + 1);
        place(i, writePos, length);
    }
    int32_t distance(int32_t i, int32_t writePos) const { return (writePos - at[i]) & Mask; }
    void advance()
    {
        for (int32_t& tap : at)
            tap = (tap + 1) & Mask;
    }
};

// Taps on 16384-sample rings, placed behind ringPos.
template <int32_t N>
using ShortTaps = TapSet<N, kShortRingMask>;

// Taps on 65536-sample rings (the tone ring), placed behind inputPos.
template <int32_t N>
using LongTaps = TapSet<N, kLongRingMask>;

// ---------------------------------------------------------------------------
// Loops.

// A damped comb loop with an inverting allpass inside (Chamber, Club): the
// comb ring's delayed sample passes the allpass, then the damping low-pass.
// The caller writes the comb ring's new sample from the returned value.
struct CombAllpassUnit
{
    float* comb = nullptr;
    float* allpassRing = nullptr;
    int32_t combTap = 0;
    int32_t allpassTap = 0;
    DampingLowpass damping;

    float step(int32_t writePos, float apGain, float dampCoef, float noise)
    {
        const float y = invertingAllpass(allpassRing, allpassTap, writePos, apGain, comb[combTap]);
        return damping.process(y, dampCoef, noise);
    }
    void advance()
    {
        combTap = advanceTap(combTap);
        allpassTap = advanceTap(allpassTap);
    }
};

// A comb ring with one damped feedback tap and no allpass (Arena,
// Cathedral). All damped reads of a bank happen before any of its writes.
struct DampedLoopRing
{
    float* ring = nullptr;
    int32_t feedbackTap = 0;
    DampingLowpass damping;

    float readDamped(float dampCoef, float noise) { return damping.process(ring[feedbackTap], dampCoef, noise); }
    void advance() { feedbackTap = advanceTap(feedbackTap); }
};

// A bank of N damped loop rings for the chunked kernels: runs the dampings
// of each ring's feedback tap for a chunk four rings to a lane, reading the
// rings in place, giving damped[ring][i] for sample i. alongside(i) runs
// beside them, before sample i's steps (NothingAlongside); pairs is
// dampUnitsFor's. The taps advance by the chunk.
template <int32_t N>
struct DampedLoopChunk
{
    static_assert(N % kLaneWidth == 0);
    alignas(16) float damped[N][kMaxChunk];

    template <typename Alongside = NothingAlongside>
    void run(DampedLoopRing (&loops)[N], float dampCoef, const float* noise, int32_t c, bool pairs,
             Alongside&& alongside = {})
    {
        // A tap whose chunk wraps is copied into its row first.
        const float* in[N];
        for (int32_t k = 0; k < N; ++k)
        {
            prefetchAhead(loops[k].ring, loops[k].feedbackTap, kShortRingMask);
            in[k] = ringSpan(loops[k].ring, loops[k].feedbackTap, kShortRingMask, c, damped[k]);
            loops[k].feedbackTap = (loops[k].feedbackTap + c) & kShortRingMask;
        }
        Lanes y[N / kLaneWidth];
        Lanes d[N / kLaneWidth];
        for (Lanes& g : d)
            g = splat(dampCoef);
        const auto state = [&](int32_t k) -> float& { return loops[k].damping.y; };
        loadStates<N>(y, state);
        dampUnitsFor<N>(
            pairs, y, d, noise, c, [&](int32_t k) { return in[k]; }, [&](int32_t k) { return damped[k]; },
            alongside);
        storeStates<N>(y, state);
    }
};

// ---------------------------------------------------------------------------
// Early reflections read from the tone ring.

// N taps on the tone ring pair, each reading one channel.
template <int32_t N>
struct EarlyTaps
{
    LongTaps<N> taps;
    const float* source[N] = {};

    float read(int32_t i) const { return source[i][taps.at[i]]; }
    void advance() { taps.advance(); }

    // + g[0] s[first] - g[1] s[first + 1] + g[2] s[first + 2] ... over
    // `count` taps, summed left to right in single precision.
    float alternatingSum(int32_t first, int32_t count, const float* gains) const
    {
        float sum = gains[0] * read(first);
        for (int32_t k = 1; k < count; ++k)
        {
            const float term = gains[k] * read(first + k);
            sum = (k & 1) ? sum - term : sum + term;
        }
        return sum;
    }
};

// ---------------------------------------------------------------------------
// Output diffusers, one per channel.

// Three allpasses with gains -g, +g, -g; the early reflections join the
// input of the third (Chamber, Club).
struct EarlyJoinDiffuser
{
    static constexpr int32_t kStages = 3;
    float* ring[kStages] = {};
    ShortTaps<kStages> taps;

    float process(float x, float early, float g, int32_t writePos)
    {
        const float y1 = allpass(ring[0], taps.at[0], writePos, -g, x);
        const float y2 = allpass(ring[1], taps.at[1], writePos, g, y1);
        return allpass(ring[2], taps.at[2], writePos, -g, y2 + early);
    }
    void advance() { taps.advance(); }
};

// Four lattice allpasses with gains +g, -g, +g, -g (Arena, Cathedral).
struct LatticeDiffuser
{
    static constexpr int32_t kStages = 4;
    float* ring[kStages] = {};
    ShortTaps<kStages> taps;

    float process(float x, float g, int32_t writePos)
    {
        const float y1 = latticeAllpass(ring[0], taps.at[0], writePos, g, x);
        const float y2 = latticeAllpass(ring[1], taps.at[1], writePos, -g, y1);
        const float y3 = latticeAllpass(ring[2], taps.at[2], writePos, g, y2);
        return latticeAllpass(ring[3], taps.at[3], writePos, -g, y3);
    }
    void advance() { taps.advance(); }

    // The chunked form: x holds c samples in and leaves with the output;
    // the taps advance by c. The first sample reads `lead` samples past the
    // taps (1 where the positions advance at the start of a sample). Inline,
    // so that the wide builds of the kernels that call it take it along.
    void processChunk(float* x, float g, int32_t writePos, int32_t c, int32_t lead = 0)
    {
        int32_t from[kStages];
        for (int32_t stage = 0; stage < kStages; ++stage)
            from[stage] = (taps.at[stage] + lead) & kShortRingMask;
        // Gains +g, -g, +g, -g.
        const auto stage = [g](int32_t s, auto delayed, auto v, int32_t, auto& written) {
            const float gain = (s & 1) ? -g : g;
            const auto out = delayed - gain * v;
            written = v + gain * out;
            return out;
        };
        runRingChain(ring, from, writePos, kShortRingMask, c, x, stage);
        for (int32_t& tap : taps.at)
            tap = (tap + c) & kShortRingMask;
    }
    // Longest chunk these taps allow behind writePos.
    int32_t chunkLimit(int32_t writePos) const;
};

// ---------------------------------------------------------------------------
// The network of Chamber and Club: 24 comb units fed from the tone-shaped
// inputs, twelve unit outputs summed per channel, each sum through an
// EarlyJoinDiffuser that takes twelve signed early reflections before its
// last allpass, then scaled.

// What tells the two networks apart besides their gains: lengths, feeds,
// sums and the write offset. Lengths are in samples at the 44.1 kHz
// reference (timeUnit samples per millisecond) except the output allpasses',
// which are in units of 1.2 ms at the internal rate.
struct CombAllpassLayout
{
    static constexpr int32_t kUnits = 24;
    static constexpr int32_t kPerChannel = 12;

    // Comb length = timeUnit * base (ms) * factor * combStretch; allpass
    // length = (timeUnit * 3.9, in single precision) * allpass.
    struct Comb
    {
        double base;
        double factor;
        double allpass;
    };
    // Early tap k lies T = (spread * earlyJitterWidth * weight + base) *
    // earlyScale * timeUnit behind inputPos; the taps take their jitter
    // draws in this order (both channels' near taps first) and these bases,
    // the same in both networks. The far taps 6..11 and 18..23 have weight 1.
    static constexpr int32_t kEarlyDrawOrder[kUnits] = {0, 1, 2, 3, 4,  5,  12, 13, 14, 15, 16, 17,
                                                        6, 7, 8, 9, 10, 11, 18, 19, 20, 21, 22, 23};
    static constexpr double kEarlyBase[kPerChannel] = {0.1, 0.2, 0.4, 0.5, 0.7, 0.8, 1.1, 1.2, 1.3, 1.6, 1.7, 1.8};
    static constexpr int32_t kNearTaps = 6;

    Comb combs[kUnits];
    double combStretch;
    double earlyWeight[kNearTaps]; // jitter weights of near taps 0..5, and likewise 12..17
    double earlyJitterWidth;
    double earlyScale;
    double diffuserLengths[2][3];   // stages in signal order, left then right

    uint8_t unitInput[kUnits];      // tone channel feeding unit k: 0 left, 1 right
    uint8_t writesAtOffset[kUnits]; // 1: unit k writes its comb ring behind ringPos, at the offset tap
    int32_t offsetTap;              // early tap whose position, masked to 14 bits, is that offset
    uint8_t earlySource[kUnits];    // tone channel read by early tap k
    uint8_t summed[2][kPerChannel]; // units summed into the left and right output, in summation order
    double outputScale;             // applied to each diffuser output, in double
};

struct CombAllpassNetwork
{
    static constexpr int32_t kUnits = CombAllpassLayout::kUnits;
    static constexpr int32_t kPerChannel = CombAllpassLayout::kPerChannel;
    // Short rings of the pool: comb rings, then allpass rings, then the
    // diffusers (left stages 1..3, right stages 1..3).
    static constexpr int32_t kFirstCombRing = 0;
    static constexpr int32_t kFirstAllpassRing = kFirstCombRing + kUnits;
    static constexpr int32_t kFirstDiffuserRing = kFirstAllpassRing + kUnits;

    // What the early gains of both networks are formed from (Chamber:
    // 2 * x^0.3, Club: 2.5 * sqrt(x)).
    static constexpr double kEarlyLevels[kPerChannel] = {1,     0.7071, 0.5,    0.3536,  0.25,    0.1768,
                                                         0.125, 0.0884, 0.0625, 0.04419, 0.03125, 0.02209};

    // Set by the algorithm's prepare. loopFeedback carries the sign of the
    // feedback: a unit writes input + loopFeedback * its output.
    float loopFeedback = 0.0f;
    float apGain = 0.0f;
    float dampCoef = 0.0f;
    float earlyGain[kPerChannel] = {};

    CombAllpassUnit units[kUnits];
    // Taps 0..11 form the left early sum, 12..23 the right.
    EarlyTaps<kUnits> early;
    EarlyJoinDiffuser diffusers[2];

    // Takes the rings from the pool and places every tap relative to the
    // engine's current positions; the prepare's part after its gains. True
    // when every tap keeps its distance at every position (placesAlike).
    bool placeTaps(ReverbEngine& engine, const CombAllpassLayout& layout, float timeUnit);
    // The distance behind ringPos of the tap a prepare's LayoutStamp watches
    // (the early taps' first watches inputPos).
    int32_t ringTapDistance(int32_t ringPos) const;
    // The kernel on the engine's kernel path.
    void run(ReverbEngine& engine, const CombAllpassLayout& layout, const float* inL, const float* inR, float* wetL,
             float* wetR, int32_t m);
    void clearStates();

private:
    void runScalar(ReverbEngine& engine, const CombAllpassLayout& layout, const float* inL, const float* inR,
                   float* wetL, float* wetR, int32_t m);
    void runChunked(ReverbEngine& engine, const CombAllpassLayout& layout, const float* inL, const float* inR,
                    float* wetL, float* wetR, int32_t m);
    // Length: int32_t, or FullChunk for a chunk of kMaxChunk samples.
    // The tone stages step beside the dampings (the feeds read them);
    // `pairs` as dampUnitsFor takes it.
    template <typename Length>
    void runUnits(const CombAllpassLayout& layout, Length c, int32_t ringPos, int32_t offsetPos,
                  ToneChunk& toneStages, bool pairs);
    template <typename Length>
    void runOutput(int32_t channel, const CombAllpassLayout& layout, Length c, int32_t ringPos, float* wet);

    // Longest chunk the placed taps allow (placeTaps).
    int32_t chunkLimit = 1;
    // The chunked kernel's working arrays: per unit, one value per sample.
    struct Scratch
    {
        InputChunk input;
        float combOut[kUnits][kMaxChunk]; // the comb taps, then the allpass outputs
        float delayed[kUnits][kMaxChunk];
        float ringIn[kUnits][kMaxChunk]; // the allpass rings' new samples, then the combs'
        float damped[kUnits][kMaxChunk];
        float early[kPerChannel][kMaxChunk];
        float signal[kMaxChunk];
        float delayedStage[kMaxChunk];
        float stageIn[kMaxChunk];
    } scratch;
};
