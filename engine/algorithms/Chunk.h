// Pieces of the chunked kernels (KernelPath::Chunked). A chunk is a run of at
// most kMaxChunk kernel samples, never longer than the shortest distance from
// a ring's write position back to a tap that reads it: then every read of the
// chunk can be done before any of its writes, and the per-sample work becomes
// a few passes over contiguous arrays. Each pass does, per sample, exactly
// the operations of the scalar kernel in the same order and precision, so the
// output is the same to the bit; only which sample's work comes first moves.
//
// Lanes are GCC vector types of four floats (SSE2 on x86-64, also in the
// Windows build): elementwise IEEE operations, never fused.
//
// Threads: audio thread only.
#pragma once

#include "DspElements.h"
#include "OutputMix.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

constexpr int32_t kMaxChunk = 32;

// A full chunk's length as a compile-time constant: passes over a full
// chunk (most of them) then compile to straight vector code without a
// remainder loop. `withChunkLength` hands a pass either that constant or
// the run-time length of a shorter chunk; kFull is the length most chunks
// of the kernel have (kMaxChunk unless a loop is shorter at every rate).
using FullChunk = std::integral_constant<int32_t, kMaxChunk>;

template <int32_t kFull = kMaxChunk, typename Pass>
inline void withChunkLength(int32_t c, Pass&& pass)
{
    if (c == kFull)
        pass(std::integral_constant<int32_t, kFull>{});
    else
        pass(c);
}

// A kernel's m samples in chunks of at most `limit`: chunk(start, length)
// for each, length as withChunkLength hands it.
template <int32_t kFull = kMaxChunk, typename Chunk>
inline void forEachChunk(int32_t m, int32_t limit, Chunk&& chunk)
{
    for (int32_t start = 0; start < m; start += limit)
        withChunkLength<kFull>(std::min(limit, m - start), [&](auto length) { chunk(start, length); });
}

using Lanes = float __attribute__((vector_size(16)));
constexpr int32_t kLaneWidth = 4;

inline Lanes loadLanes(const float* from)
{
    Lanes v;
    std::memcpy(&v, from, sizeof v);
    return v;
}
inline void storeLanes(float* to, Lanes v)
{
    std::memcpy(to, &v, sizeof v);
}
inline Lanes splat(float x)
{
    return Lanes{x, x, x, x};
}

// Rows to columns: four samples of four units become four units' values of
// each sample, and back. Moves only.
inline void transposeLanes(Lanes (&rows)[4])
{
    const Lanes t0 = __builtin_shufflevector(rows[0], rows[1], 0, 4, 1, 5);
    const Lanes t1 = __builtin_shufflevector(rows[2], rows[3], 0, 4, 1, 5);
    const Lanes t2 = __builtin_shufflevector(rows[0], rows[1], 2, 6, 3, 7);
    const Lanes t3 = __builtin_shufflevector(rows[2], rows[3], 2, 6, 3, 7);
    rows[0] = __builtin_shufflevector(t0, t1, 0, 1, 4, 5);
    rows[1] = __builtin_shufflevector(t0, t1, 2, 3, 6, 7);
    rows[2] = __builtin_shufflevector(t2, t3, 0, 1, 4, 5);
    rows[3] = __builtin_shufflevector(t2, t3, 2, 3, 6, 7);
}

// The longest chunk a ring allows whose writes lie `distance` samples (mask
// applied) ahead of a tap reading it: a distance of 0 reads only samples
// written a whole ring earlier.
inline int32_t chunkLimitFor(int32_t distance)
{
    return distance == 0 ? kMaxChunk : std::min(distance, kMaxChunk);
}

// The longest chunk a ring of `size` samples allows whose taps are read after
// the chunk's writes, `distance` behind the write position: no write of a
// later sample may land where an earlier sample reads.
inline int32_t chunkLimitAfterWrites(int32_t distance, int32_t size)
{
    return std::min(size - distance, kMaxChunk);
}

// Asks for the cache lines a ring position's stream reaches two chunks on:
// with dozens of rings the processor's own prefetchers lose track of them.
inline void prefetchAhead(const float* ring, int32_t position, int32_t mask)
{
    __builtin_prefetch(ring + ((position + 2 * kMaxChunk) & mask));
    __builtin_prefetch(ring + ((position + 2 * kMaxChunk + 16) & mask));
}

// c consecutive samples of a ring from position `from`, across its wrap.
// Plain loops: a library call per copy of a few dozen samples costs more
// than the copy.
inline void readRing(const float* ring, int32_t from, int32_t mask, int32_t c, float* out)
{
    if (from + c <= mask + 1)
    {
        for (int32_t i = 0; i < c; ++i)
            out[i] = ring[from + i];
        return;
    }
    for (int32_t i = 0; i < c; ++i)
        out[i] = ring[(from + i) & mask];
}

inline void writeRing(float* ring, int32_t from, int32_t mask, int32_t c, const float* in)
{
    if (from + c <= mask + 1)
    {
        for (int32_t i = 0; i < c; ++i)
            ring[from + i] = in[i];
        return;
    }
    for (int32_t i = 0; i < c; ++i)
        ring[(from + i) & mask] = in[i];
}

// The c samples of a ring from `from` in place, where they do not wrap;
// otherwise copied into `spare`. Saves a pass through scratch memory.
inline const float* ringSpan(const float* ring, int32_t from, int32_t mask, int32_t c, float* spare)
{
    if (from + c <= mask + 1)
        return ring + from;
    readRing(ring, from, mask, c, spare);
    return spare;
}

// Where c new samples of a ring from `from` go (`at`): the ring itself where
// they do not wrap, otherwise `spill`, which flush then copies in.
struct RingWrite
{
    float* ring;
    int32_t from;
    int32_t mask;
    float* at;

    RingWrite(float* ring_, int32_t from_, int32_t mask_, int32_t c, float* spill)
        : ring(ring_), from(from_), mask(mask_), at(from_ + c <= mask_ + 1 ? ring_ + from_ : spill)
    {
    }
    void flush(int32_t c) const
    {
        if (at != ring + from)
            writeRing(ring, from, mask, c, at);
    }
};

// sum[i] = sum[i] + ring[from + i] for c samples, across the wrap: one more
// tap of a per-sample sum.
inline void addRing(const float* ring, int32_t from, int32_t mask, int32_t c, float* sum)
{
    if (from + c <= mask + 1)
    {
        for (int32_t i = 0; i < c; ++i)
            sum[i] = sum[i] + ring[from + i];
        return;
    }
    for (int32_t i = 0; i < c; ++i)
        sum[i] = sum[i] + ring[(from + i) & mask];
}

// sum[i] = rows[0][i] + rows[1][i] + ... + rows[N - 1][i], left to right in
// single precision, in one pass. Lanes spelled out: with many rows the
// compiler would not check them all for overlap with the sum and would
// stay scalar.
template <int32_t N>
inline void sumRowsAt(const float* const (&rows)[N], int32_t c, float* sum)
{
    int32_t i = 0;
    for (; i + kLaneWidth <= c; i += kLaneWidth)
    {
        Lanes x = loadLanes(rows[0] + i);
        for (int32_t t = 1; t < N; ++t)
            x = x + loadLanes(rows[t] + i);
        storeLanes(sum + i, x);
    }
    for (; i < c; ++i)
    {
        float x = rows[0][i];
        for (int32_t t = 1; t < N; ++t)
            x = x + rows[t][i];
        sum[i] = x;
    }
}

// sum[i] = g[0] rows[0][i] - g[1] rows[1][i] + g[2] rows[2][i] ..., left to
// right in single precision, in one pass: a signed sum of early taps.
template <int32_t N>
inline void alternatingSumAt(const float* const (&rows)[N], const float* gains, int32_t c, float* sum)
{
    const auto add = [&](auto x, int32_t t, auto term) { return (t & 1) ? x - term : x + term; };
    int32_t i = 0;
    for (; i + kLaneWidth <= c; i += kLaneWidth)
    {
        Lanes x = splat(gains[0]) * loadLanes(rows[0] + i);
        for (int32_t t = 1; t < N; ++t)
            x = add(x, t, splat(gains[t]) * loadLanes(rows[t] + i));
        storeLanes(sum + i, x);
    }
    for (; i < c; ++i)
    {
        float x = gains[0] * rows[0][i];
        for (int32_t t = 1; t < N; ++t)
            x = add(x, t, gains[t] * rows[t][i]);
        sum[i] = x;
    }
}

// sum[i] = rings[0][from[0] + i] + rings[1][from[1] + i] + ..., left to
// right in single precision, for c samples: a sum of N taps per sample, in
// one pass unless a tap wraps inside the chunk.
template <int32_t N>
inline void sumTaps(const float* const (&rings)[N], const int32_t (&from)[N], int32_t mask, int32_t c, float* sum)
{
    bool wraps = false;
    for (const int32_t at : from)
        wraps = wraps || at + c > mask + 1;
    if (wraps)
    {
        readRing(rings[0], from[0], mask, c, sum);
        for (int32_t t = 1; t < N; ++t)
            addRing(rings[t], from[t], mask, c, sum);
        return;
    }
    const float* taps[N];
    for (int32_t t = 0; t < N; ++t)
        taps[t] = rings[t] + from[t];
    sumRowsAt(taps, c, sum);
}


// sum[i] = rows[0][i] + rows[1][i] + ... + rows[count - 1][i], left to
// right in single precision: a bank's output sum, per sample.
inline void sumRows(const float (*rows)[kMaxChunk], int32_t count, int32_t c, float* sum)
{
    std::copy_n(rows[0], c, sum);
    for (int32_t row = 1; row < count; ++row)
        for (int32_t i = 0; i < c; ++i)
            sum[i] += rows[row][i];
}

// The two channels' tone stages side by side, left in lane 0 and right in
// lane 1, for the chunked input path: each lane does exactly what
// ToneStage::process does, the pair in half the instructions.
struct ToneStagePair
{
    using Pair = float __attribute__((vector_size(8)));
    using WidePair = double __attribute__((vector_size(16)));

    Pair lowpassY;
    Pair highpassX1;
    Pair highpassY1;

    void load(const ToneStage& left, const ToneStage& right)
    {
        lowpassY = Pair{left.high.lowpass.y, right.high.lowpass.y};
        highpassX1 = Pair{left.low.highpass.x1, right.low.highpass.x1};
        highpassY1 = Pair{left.low.highpass.y1, right.low.highpass.y1};
    }
    void store(ToneStage& left, ToneStage& right) const
    {
        left.high.lowpass.y = lowpassY[0];
        right.high.lowpass.y = lowpassY[1];
        left.low.highpass.x1 = highpassX1[0];
        right.low.highpass.x1 = highpassX1[1];
        left.low.highpass.y1 = highpassY1[0];
        right.low.highpass.y1 = highpassY1[1];
    }
    // highpassScale is (double(hpCoef) + 1.0) * 0.5 split as OnePoleHighpass
    // forms it: the product with (hpCoef + 1) first, then with 0.5.
    Pair process(Pair x, float lpCoef, float highGain, float hpCoef, double hpCoefPlusOne, float lowGain, float noise)
    {
        lowpassY = (lowpassY - x) * lpCoef + x;
        const Pair shelvedHigh = (x - lowpassY) * highGain + lowpassY + noise;
        const WidePair scaled = __builtin_convertvector(shelvedHigh - highpassX1, WidePair) * hpCoefPlusOne * 0.5;
        const Pair y = __builtin_convertvector(scaled + __builtin_convertvector(hpCoef * highpassY1, WidePair), Pair);
        highpassX1 = shelvedHigh;
        highpassY1 = y;
        return (shelvedHigh - y) * lowGain + y + noise;
    }
};

// What the common input path gives a chunk: each sample's noise value and
// the tone-shaped pre-delayed pair.
struct InputChunk
{
    float noise[kMaxChunk];
    ToneStagePair::Pair delayed[kMaxChunk]; // the pre-delayed pair, left in lane 0
    float tone[2][kMaxChunk];
};

// Both tone stages over a chunk, a sample at a time: a kernel may step them
// inside a per-sample loop of its own (a damping's), so that the two
// recursions overlap instead of running one after the other. The wet DC
// blockers step with them.
struct ToneChunk
{
    ToneStagePair pair;
    float lpCoef;
    float highGain;
    float hpCoef;
    double hpCoefPlusOne;
    float lowGain;
    WetBlockerRun wet;

    // chunk.tone[.][i] from chunk.delayed[i] and chunk.noise[i].
    void step(InputChunk& chunk, int32_t i)
    {
        const ToneStagePair::Pair shaped =
            pair.process(chunk.delayed[i], lpCoef, highGain, hpCoef, hpCoefPlusOne, lowGain, chunk.noise[i]);
        chunk.tone[0][i] = shaped[0];
        chunk.tone[1][i] = shaped[1];
        wet.step();
    }
};

// Four samples or one, as T is Lanes or float.
template <typename T>
inline T loadAs(const float* from)
{
    if constexpr (std::is_same_v<T, Lanes>)
        return loadLanes(from);
    else
        return *from;
}

// A chain of N allpass-like stages over a chunk of c samples, in place on
// x: stage s reads its ring at from[s] + i before writing it at writePos + i.
// stage(s, delayed, x, i, written) returns the stage's output for sample i
// and sets the value its ring takes; it is called with Lanes of four samples
// or with single samples, doing the same operations on each. Unless a ring
// wraps inside the chunk the stages run together on four samples at a time,
// straight on the rings.
template <int32_t N, typename Stage>
inline void runRingChain(float* const (&rings)[N], const int32_t (&from)[N], int32_t writePos, int32_t mask,
                         int32_t c, float* x, Stage stage)
{
    bool wraps = writePos + c > mask + 1;
    for (const int32_t at : from)
        wraps = wraps || at + c > mask + 1;
    if (wraps)
    {
        float delayed[kMaxChunk];
        float written[kMaxChunk];
        for (int32_t s = 0; s < N; ++s)
        {
            readRing(rings[s], from[s], mask, c, delayed);
            for (int32_t i = 0; i < c; ++i)
                x[i] = stage(s, delayed[i], x[i], i, written[i]);
            writeRing(rings[s], writePos, mask, c, written);
        }
        return;
    }

    const float* reads[N];
    float* writes[N];
    for (int32_t s = 0; s < N; ++s)
    {
        reads[s] = rings[s] + from[s];
        writes[s] = rings[s] + writePos;
    }
    int32_t i = 0;
    for (; i + kLaneWidth <= c; i += kLaneWidth)
    {
        Lanes v = loadLanes(x + i);
        for (int32_t s = 0; s < N; ++s)
        {
            Lanes written;
            v = stage(s, loadLanes(reads[s] + i), v, i, written);
            storeLanes(writes[s] + i, written);
        }
        storeLanes(x + i, v);
    }
    for (; i < c; ++i)
        for (int32_t s = 0; s < N; ++s)
            x[i] = stage(s, reads[s][i], x[i], i, writes[s][i]);
}

// What a damping pass runs beside its recursion when given nothing else:
// alongside(i) is called once per sample, in order, before that sample's
// steps (ToneChunk::step, say).
struct NothingAlongside
{
    void operator()(int32_t) const {}
};

// The damping low-pass y = (x - y) d + noise + y of N units over a chunk:
// in(u)[i] to out(u)[i] (out may be in), y[g] holding the states of units
// 4g..4g+3 and d[g] their coefficients. Each recursion waits on its previous
// sample, so the groups of a batch step together sample by sample and their
// waits overlap. Whole blocks of four samples enter and leave the lanes by
// transposes, the rest one sample at a time.
template <int32_t N, typename In, typename Out, typename Alongside = NothingAlongside>
inline void dampUnitRows(Lanes (&y)[N / kLaneWidth], const Lanes (&d)[N / kLaneWidth], const float* noise,
                         int32_t c, In&& in, Out&& out, Alongside&& alongside = {})
{
    static_assert(N % kLaneWidth == 0);
    constexpr int32_t kGroups = N / kLaneWidth;
    constexpr int32_t kBatch = kGroups < 6 ? kGroups : 6;
    static_assert(kGroups % kBatch == 0);
    for (int32_t first = 0; first < kGroups; first += kBatch)
    {
        Lanes* const state = y + first;
        const Lanes* const coef = d + first;
        const auto rowIn = [&](int32_t g, int32_t u) -> const float* { return in((first + g) * kLaneWidth + u); };
        const auto rowOut = [&](int32_t g, int32_t u) -> float* { return out((first + g) * kLaneWidth + u); };
        int32_t i = 0;
        for (; i + kLaneWidth <= c; i += kLaneWidth)
        {
            Lanes block[kBatch][kLaneWidth];
            for (int32_t g = 0; g < kBatch; ++g)
            {
                for (int32_t u = 0; u < kLaneWidth; ++u)
                    block[g][u] = loadLanes(rowIn(g, u) + i);
                transposeLanes(block[g]);
            }
            for (int32_t j = 0; j < kLaneWidth; ++j)
            {
                if (first == 0)
                    alongside(i + j);
                const Lanes n = splat(noise[i + j]);
                for (int32_t g = 0; g < kBatch; ++g)
                {
                    state[g] = (block[g][j] - state[g]) * coef[g] + n + state[g];
                    block[g][j] = state[g];
                }
            }
            for (int32_t g = 0; g < kBatch; ++g)
            {
                transposeLanes(block[g]);
                for (int32_t u = 0; u < kLaneWidth; ++u)
                    storeLanes(rowOut(g, u) + i, block[g][u]);
            }
        }
        for (; i < c; ++i)
        {
            if (first == 0)
                alongside(i);
            const Lanes n = splat(noise[i]);
            for (int32_t g = 0; g < kBatch; ++g)
            {
                const Lanes x{rowIn(g, 0)[i], rowIn(g, 1)[i], rowIn(g, 2)[i], rowIn(g, 3)[i]};
                state[g] = (x - state[g]) * coef[g] + n + state[g];
                for (int32_t u = 0; u < kLaneWidth; ++u)
                    rowOut(g, u)[i] = state[g][u];
            }
        }
    }
}

// The same with one coefficient for every unit and the rows in arrays.
template <int32_t N, typename Alongside = NothingAlongside>
inline void dampUnits(Lanes (&y)[N / kLaneWidth], float dampCoef, const float* noise, int32_t c,
                      const float (*in)[kMaxChunk], float (*out)[kMaxChunk], Alongside&& alongside = {})
{
    Lanes d[N / kLaneWidth];
    for (Lanes& g : d)
        g = splat(dampCoef);
    dampUnitRows<N>(
        y, d, noise, c, [in](int32_t u) { return in[u]; }, [out](int32_t u) { return out[u]; }, alongside);
}

// Unit states into the lanes of dampUnits and back; state(u) is unit u's.
template <int32_t N, typename State>
inline void loadStates(Lanes (&y)[N / kLaneWidth], State&& state)
{
    for (int32_t g = 0; g < N / kLaneWidth; ++g)
    {
        const int32_t u = g * kLaneWidth;
        y[g] = Lanes{state(u), state(u + 1), state(u + 2), state(u + 3)};
    }
}

template <int32_t N, typename State>
inline void storeStates(const Lanes (&y)[N / kLaneWidth], State&& state)
{
    for (int32_t u = 0; u < N; ++u)
        state(u) = y[u / kLaneWidth][u % kLaneWidth];
}

// ring[from + i] = value(i) for c samples, across the wrap: the pass that
// forms a ring's new samples writes them straight into it.
template <typename Value>
inline void writeRingWith(float* ring, int32_t from, int32_t mask, int32_t c, Value&& value)
{
    if (from + c <= mask + 1)
    {
        float* const to = ring + from;
        for (int32_t i = 0; i < c; ++i)
            to[i] = value(i);
        return;
    }
    for (int32_t i = 0; i < c; ++i)
        ring[(from + i) & mask] = value(i);
}

// Eight lanes: two groups of four units side by side, the first group in
// the low half. Passed by reference: the baseline build has no registers of
// this width to pass them in.
using LanePair = float __attribute__((vector_size(32)));

inline void joinLanes(LanePair& pair, Lanes low, Lanes high)
{
    pair = __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}
inline Lanes lowLanes(const LanePair& pair)
{
    return __builtin_shufflevector(pair, pair, 0, 1, 2, 3);
}
inline Lanes highLanes(const LanePair& pair)
{
    return __builtin_shufflevector(pair, pair, 4, 5, 6, 7);
}

// transposeLanes in each half at once.
inline void transposeLanePairs(LanePair (&rows)[4])
{
    const LanePair t0 = __builtin_shufflevector(rows[0], rows[1], 0, 8, 1, 9, 4, 12, 5, 13);
    const LanePair t1 = __builtin_shufflevector(rows[2], rows[3], 0, 8, 1, 9, 4, 12, 5, 13);
    const LanePair t2 = __builtin_shufflevector(rows[0], rows[1], 2, 10, 3, 11, 6, 14, 7, 15);
    const LanePair t3 = __builtin_shufflevector(rows[2], rows[3], 2, 10, 3, 11, 6, 14, 7, 15);
    rows[0] = __builtin_shufflevector(t0, t1, 0, 1, 8, 9, 4, 5, 12, 13);
    rows[1] = __builtin_shufflevector(t0, t1, 2, 3, 10, 11, 6, 7, 14, 15);
    rows[2] = __builtin_shufflevector(t2, t3, 0, 1, 8, 9, 4, 5, 12, 13);
    rows[3] = __builtin_shufflevector(t2, t3, 2, 3, 10, 11, 6, 7, 14, 15);
}

// dampUnitRows with the groups taken two at a time, 2p and 2p + 1 in one
// vector of eight lanes: each shuffle of the transposes moves eight units'
// samples and each step of the wide builds eight units' recursions (the
// baseline build splits them in two). The same operations per unit in the
// same order; N a multiple of eight.
template <int32_t N, typename In, typename Out, typename Alongside = NothingAlongside>
inline void dampUnitPairs(Lanes (&y)[N / kLaneWidth], const Lanes (&d)[N / kLaneWidth], const float* noise,
                          int32_t c, In&& in, Out&& out, Alongside&& alongside = {})
{
    static_assert(N % (2 * kLaneWidth) == 0);
    constexpr int32_t kPairs = N / (2 * kLaneWidth);
    constexpr int32_t kBatch = kPairs < 3 ? kPairs : 3;
    static_assert(kPairs % kBatch == 0);
    for (int32_t first = 0; first < kPairs; first += kBatch)
    {
        LanePair state[kBatch];
        LanePair coef[kBatch];
        for (int32_t p = 0; p < kBatch; ++p)
        {
            joinLanes(state[p], y[2 * (first + p)], y[2 * (first + p) + 1]);
            joinLanes(coef[p], d[2 * (first + p)], d[2 * (first + p) + 1]);
        }
        // Unit u of half h of pair p.
        const auto unit = [&](int32_t p, int32_t h, int32_t u) { return (2 * (first + p) + h) * kLaneWidth + u; };
        int32_t i = 0;
        for (; i + kLaneWidth <= c; i += kLaneWidth)
        {
            LanePair block[kBatch][kLaneWidth];
            for (int32_t p = 0; p < kBatch; ++p)
            {
                for (int32_t u = 0; u < kLaneWidth; ++u)
                    joinLanes(block[p][u], loadLanes(in(unit(p, 0, u)) + i), loadLanes(in(unit(p, 1, u)) + i));
                transposeLanePairs(block[p]);
            }
            for (int32_t j = 0; j < kLaneWidth; ++j)
            {
                if (first == 0)
                    alongside(i + j);
                const float n = noise[i + j];
                for (int32_t p = 0; p < kBatch; ++p)
                {
                    state[p] = (block[p][j] - state[p]) * coef[p] + n + state[p];
                    block[p][j] = state[p];
                }
            }
            for (int32_t p = 0; p < kBatch; ++p)
            {
                transposeLanePairs(block[p]);
                for (int32_t u = 0; u < kLaneWidth; ++u)
                {
                    storeLanes(out(unit(p, 0, u)) + i, lowLanes(block[p][u]));
                    storeLanes(out(unit(p, 1, u)) + i, highLanes(block[p][u]));
                }
            }
        }
        for (; i < c; ++i)
        {
            if (first == 0)
                alongside(i);
            const float n = noise[i];
            for (int32_t p = 0; p < kBatch; ++p)
            {
                LanePair x;
                for (int32_t k = 0; k < 2 * kLaneWidth; ++k)
                    x[k] = in(unit(p, k / kLaneWidth, k % kLaneWidth))[i];
                state[p] = (x - state[p]) * coef[p] + n + state[p];
                for (int32_t k = 0; k < 2 * kLaneWidth; ++k)
                    out(unit(p, k / kLaneWidth, k % kLaneWidth))[i] = state[p][k];
            }
        }
        for (int32_t p = 0; p < kBatch; ++p)
        {
            y[2 * (first + p)] = lowLanes(state[p]);
            y[2 * (first + p) + 1] = highLanes(state[p]);
        }
    }
}

// The dampings of dampUnitRows in the form that suits the build: by pairs of
// groups where the kernel runs in a wide build (`pairs`), four lanes at a
// time in the baseline build, which has no eight-lane shuffles and would
// move such vectors one float at a time.
template <int32_t N, typename In, typename Out, typename Alongside = NothingAlongside>
inline void dampUnitsFor(bool pairs, Lanes (&y)[N / kLaneWidth], const Lanes (&d)[N / kLaneWidth],
                         const float* noise, int32_t c, In&& in, Out&& out, Alongside&& alongside = {})
{
    if (pairs)
        dampUnitPairs<N>(y, d, noise, c, in, out, alongside);
    else
        dampUnitRows<N>(y, d, noise, c, in, out, alongside);
}
