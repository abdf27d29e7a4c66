// The Plate's chunked kernel and the kernel dispatch: every pass the
// chunked kernel calls lives in this file, so that the wide builds of
// runOnKernelPath inline all of it.
#include "Plate.h"

#include "Chunk.h"
#include "PlateNetwork.h"
#include "ReverbEngine.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

using namespace plate_network;

void Plate::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { kernelScalar(engine, inL, inR, wetL, wetR, m); },
        [&] { kernelChunked(engine, inL, inR, wetL, wetR, m); });
}

namespace
{
// The loop allpass of comb unit 0 is 24 samples at every rate, so nearly
// every chunk has that length; as a constant it lets each pass compile to
// straight vector code without a remainder loop.
constexpr int32_t kUsualChunk = 24;
static_assert(kUsualChunk % kLaneWidth == 0);

// Every tap of the Plate lies at least a chunk behind the write position
// (chunkLimit; none sits on it), so a chunk's read and write runs on one
// ring (ringSpan, RingWrite) never overlap.

// The write positions of a ring were last touched a whole ring earlier and
// have left the caches: asks for the lines a few chunks on, for writing.
void prefetchForWrite(float* ring, int32_t pos)
{
    __builtin_prefetch(ring + ((pos + 4 * kUsualChunk) & kSmallRingMask), 1);
    __builtin_prefetch(ring + ((pos + 4 * kUsualChunk + 16) & kSmallRingMask), 1);
}

// The chunk's run of a small ring from a tap, placed on the short rings'
// positions.
inline const float* tapRun(const float* ring, int32_t tap, int32_t c, float* spill)
{
    return ringSpan(ring, tap & kSmallRingMask, kSmallRingMask, c, spill);
}

// The passes over a chunk, each the scalar kernel's steps for one element,
// sample after sample.

// A comb unit's loop allpass: v = g * delayed + -x into its ring, the unit's
// output delayed - g * v.
template <typename Length>
void loopAllpassRun(const float* __restrict x, const float* __restrict delayed, float g, float* __restrict v,
                    float* __restrict out, Length c)
{
    for (int32_t i = 0; i < c; ++i)
    {
        v[i] = g * delayed[i] + -x[i];
        out[i] = delayed[i] - g * v[i];
    }
}

// One term of an early allpass's input: in = weight * tap (first term) or
// in + weight * tap.
template <typename Length>
void earlyTermRun(const float* __restrict tap, double weight, bool first, double* __restrict in, Length c)
{
    if (first)
        for (int32_t i = 0; i < c; ++i)
            in[i] = weight * static_cast<double>(tap[i]);
    else
        for (int32_t i = 0; i < c; ++i)
            in[i] = in[i] + weight * static_cast<double>(tap[i]);
}

template <typename Length>
void earlyAllpassRun(const double* __restrict in, const float* __restrict delayed, double gain,
                     float* __restrict v, float* __restrict out, Length c)
{
    for (int32_t i = 0; i < c; ++i)
    {
        const double d = delayed[i];
        v[i] = static_cast<float>(static_cast<double>(static_cast<float>(in[i])) + gain * d);
        out[i] = static_cast<float>(d - gain * static_cast<double>(v[i]));
    }
}

// A lattice allpass stage of the input diffuser; `in` may be `out`.
template <typename Length>
void latticeRun(const float* in, const float* __restrict delayed, float* __restrict written, float* out, Length c)
{
    for (int32_t i = 0; i < c; ++i)
    {
        const float x = in[i];
        const float y = delayed[i] - kDiffuserGain * x;
        written[i] = x + kDiffuserGain * y;
        out[i] = y;
    }
}

// A comb unit's new samples: the damped loop times the loop gain plus its input.
template <typename Length>
void feedRun(const float* __restrict damped, float loop, const float* __restrict input, float* __restrict fed,
             Length c)
{
    for (int32_t i = 0; i < c; ++i)
        fed[i] = damped[i] * loop + input[i];
}

constexpr int32_t kDampLanes = Plate::kCombUnits / kLaneWidth;
} // namespace

void Plate::kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                          int32_t m)
{
    Scratch& s = scratch;

    forEachChunk<kUsualChunk>(m, chunkLimit, [&](int32_t start, auto c) {
        const int32_t pos = engine.ringPos & kSmallRingMask;
        // Everything the chunk reads from rings precedes its writes
        // (chunkLimit), so the comb units and the early allpasses go
        // first and the recursions that remain run side by side.
        runInputAndUnits(engine, inL + start, inR + start, c, pos);
        for (int32_t ch = 0; ch < 2; ++ch)
            runEarly(ch, c, pos);

        const RingWrite toneRun[2] = {RingWrite(tone[kLeft], pos, kSmallRingMask, c, s.spill[0]),
                                      RingWrite(tone[kRight], pos, kSmallRingMask, c, s.spill[1])};
        float* const dispersed[2] = {toneRun[kLeft].at, toneRun[kRight].at};
        runRecursions(c, engine.kernelPath != KernelPath::Chunked, dispersed, wetL + start, wetR + start);

        for (int32_t ch = 0; ch < 2; ++ch)
        {
            // The input diffuser's lattice allpasses, one stage at a time.
            const float* in = dispersed[ch];
            for (int32_t t = 0; t < kDiffuserStages; ++t)
            {
                const float* delayed = tapRun(diffusers[ch][t], diffuserTaps[ch].at[t], c, s.spill[2]);
                const RingWrite written(diffusers[ch][t], pos, kSmallRingMask, c, s.spill[3]);
                latticeRun(in, delayed, written.at, s.diffused[ch], c);
                written.flush(c);
                in = s.diffused[ch];
            }
            toneRun[ch].flush(c);
        }

        for (int32_t u = 0; u < kCombUnits; ++u)
        {
            const RingWrite fed(combs[u], pos, kSmallRingMask, c, s.spill[0]);
            feedRun(s.damped[u], loopGain, s.diffused[kUnitInput[u]], fed.at, c);
            fed.flush(c);
        }
        advanceTaps(c);
    });
}

// The input path waits on its tone stages' recursions sample after sample;
// the comb units' loop allpasses are work that waits on nothing. Stepping
// the tone stages a few samples at a time between the units lets the
// processor overlap the two.
template <typename Length>
void Plate::runInputAndUnits(ReverbEngine& engine, const float* inL, const float* inR, Length c, int32_t pos)
{
    constexpr int32_t kStep = 4;
    Scratch& s = scratch;
    engine.runPreDelayChunk(inL, inR, c, s.input);
    ToneChunk tone = engine.beginTone();
    for (int32_t first = 0; first < std::max<int32_t>(c, kCombUnits); first += kStep)
    {
        for (int32_t i = first; i < std::min<int32_t>(first + kStep, c); ++i)
            tone.step(s.input, i);
        for (int32_t u = first; u < std::min(first + kStep, kCombUnits); ++u)
        {
            // Even units close through g * delayed - x, odd ones through
            // -x + (-g) * delayed: one form with the gain's sign by unit.
            const float g = (u & 1) ? -apGain : apGain;
            const float* x = tapRun(combs[u], combTaps.at[u], c, s.spill[0]);
            const float* delayed = tapRun(loopAllpasses[u], loopAllpassTaps.at[u], c, s.spill[1]);
            const RingWrite v(loopAllpasses[u], pos, kSmallRingMask, c, s.spill[2]);
            loopAllpassRun(x, delayed, g, v.at, s.unitOut[u], c);
            v.flush(c);
            prefetchForWrite(loopAllpasses[u], pos);
            prefetchForWrite(combs[u], pos);
        }
    }
    engine.endTone(tone);
    // The output groups' inputs, in their summation order.
    for (int32_t ch = 0; ch < 2; ++ch)
        for (int32_t k = 0; k < kGroups; ++k)
        {
            const int32_t* units = kGroupUnitList[ch][k];
            float* const group = s.groupIn[ch][k];
            for (int32_t i = 0; i < c; ++i)
                group[i] = s.unitOut[units[0]][i] + s.unitOut[units[1]][i] + s.unitOut[units[2]][i];
        }
}

template <typename Length>
void Plate::runEarly(int32_t ch, Length c, int32_t pos)
{
    Scratch& s = scratch;
    const float* own = tone[ch];
    const float* other = tone[ch ^ 1];
    for (int32_t e = 0; e < kEarlyAllpasses; ++e)
    {
        const EarlyAllpass& unit = kEarlyAllpassTable[ch][e];
        double in[kMaxChunk];
        for (int32_t t = 0; t < unit.terms; ++t)
        {
            const EarlyTerm& term = unit.term[t];
            const float* tap = tapRun(term.otherSide ? other : own, earlyTaps[ch].at[term.tap], c, s.spill[0]);
            earlyTermRun(tap, term.weight, t == 0, in, c);
        }
        const double gain = unit.gainScale * static_cast<double>(apGain);
        const float* delayed = tapRun(earlyRings[ch][e], earlyAllpassTaps[ch].at[e], c, s.spill[0]);
        const RingWrite v(earlyRings[ch][e], pos, kSmallRingMask, c, s.spill[1]);
        earlyAllpassRun(in, delayed, gain, v.at, s.earlyOut[e], c);
        v.flush(c);
    }
    for (int32_t i = 0; i < c; ++i)
        s.early[ch][i] = s.earlyOut[1][i] + s.earlyOut[0][i] + s.earlyOut[2][i] + s.earlyOut[3][i];
}

namespace
{
using DoublePair = Plate::DoublePair;
using DoubleQuad = double __attribute__((vector_size(32)));
using FloatQuad = float __attribute__((vector_size(16)));

// *out = {left[i], right[i]} in double precision, out moving by `stride`
// pairs a sample: the rows the recursions read whole, with no lane to move.
template <typename Length>
void widenPairs(const float* left, const float* right, DoublePair* out, int32_t stride, Length c)
{
    int32_t i = 0;
    for (; i + kLaneWidth <= c; i += kLaneWidth, out += kLaneWidth * stride)
    {
        const Lanes l = loadLanes(left + i);
        const Lanes r = loadLanes(right + i);
        const DoubleQuad first = __builtin_convertvector(__builtin_shufflevector(l, r, 0, 4, 1, 5), DoubleQuad);
        const DoubleQuad second = __builtin_convertvector(__builtin_shufflevector(l, r, 2, 6, 3, 7), DoubleQuad);
        out[0] = __builtin_shufflevector(first, first, 0, 1);
        out[stride] = __builtin_shufflevector(first, first, 2, 3);
        out[2 * stride] = __builtin_shufflevector(second, second, 0, 1);
        out[3 * stride] = __builtin_shufflevector(second, second, 2, 3);
    }
    for (; i < c; ++i, out += stride)
        *out = DoublePair{static_cast<double>(left[i]), static_cast<double>(right[i])};
}

// left[i], right[i] = *in (times `scale` if kScaled) to single precision, in
// moving by `stride` pairs a sample.
template <bool kScaled, typename Length>
void narrowPairs(const DoublePair* in, int32_t stride, double scale, float* left, float* right, Length c)
{
    int32_t i = 0;
    for (; i + kLaneWidth <= c; i += kLaneWidth, in += kLaneWidth * stride)
    {
        DoubleQuad first = __builtin_shufflevector(in[0], in[stride], 0, 1, 2, 3);
        DoubleQuad second = __builtin_shufflevector(in[2 * stride], in[3 * stride], 0, 1, 2, 3);
        if constexpr (kScaled)
        {
            first = first * scale;
            second = second * scale;
        }
        const FloatQuad a = __builtin_convertvector(first, FloatQuad);
        const FloatQuad b = __builtin_convertvector(second, FloatQuad);
        storeLanes(left + i, __builtin_shufflevector(a, b, 0, 2, 4, 6));
        storeLanes(right + i, __builtin_shufflevector(a, b, 1, 3, 5, 7));
    }
    for (; i < c; ++i, in += stride)
    {
        const DoublePair v = kScaled ? *in * scale : *in;
        left[i] = static_cast<float>(v[0]);
        right[i] = static_cast<float>(v[1]);
    }
}
} // namespace

// The chunk's recursions step together, one sample at a time, so that their
// waits overlap: the input's dispersion pair and the output groups' Biquads
// beside the comb units' dampings. None feeds another within a chunk (the
// dampings and the groups take the units' ring reads). They read and write
// rows of double pairs made before and taken apart after, so the loop moves
// no lane; the wide builds step the output groups two pairs to a vector and
// the dampings eight units to a vector.
template <typename Length>
void Plate::runRecursions(Length c, bool wide, float* const dispersed[2], float* wetL, float* wetR)
{
    Scratch& s = scratch;
    // Through a pointer: the passes below never read a row past the chunk.
    PairRow* const rows = s.rows;
    constexpr int32_t kStride = sizeof(PairRow) / sizeof(DoublePair);
    widenPairs(s.input.tone[kLeft], s.input.tone[kRight], &rows[0].toned, kStride, c);
    widenPairs(s.input.noise, s.input.noise, &rows[0].noise, kStride, c);
    widenPairs(s.early[kLeft], s.early[kRight], &rows[0].early, kStride, c);
    for (int32_t i = 0; i < c; ++i)
        rows[i].early = kEarlyMix * rows[i].early;
    for (int32_t k = 0; k < kGroups; ++k)
        widenPairs(s.groupIn[kLeft][k], s.groupIn[kRight][k], &rows[0].group[k], kStride, c);

    Biquad* const biquads = allpassBiquads;
    BiquadPair low;
    BiquadPair high;
    low.load(biquads[kInputLowBiquad[kLeft]], biquads[kInputLowBiquad[kRight]]);
    high.load(biquads[kInputHighBiquad[kLeft]], biquads[kInputHighBiquad[kRight]]);
    const auto disperse = [&](PairRow& row) __attribute__((always_inline)) {
        row.dispersed = high.process(low.process(row.toned) + row.noise) + row.noise;
    };

    Lanes y[kDampLanes];
    Lanes d[kDampLanes];
    const auto state = [&](int32_t u) -> float& { return damping[u].y; };
    loadStates<kCombUnits>(y, state);
    std::fill_n(d, kDampLanes, splat(dampCoef));
    const auto unitOut = [&s](int32_t u) -> const float* { return s.unitOut[u]; };
    const auto damped = [&s](int32_t u) { return s.damped[u]; };

    // Group k of a channel in the Biquad of its row's lane.
    const auto groupFilter = [biquads](int32_t k, int32_t ch) { return &biquads[kGroupBiquad[ch][k]]; };
    if (wide)
    {
        BiquadLanes<4> groups[kGroups / 2];
        for (int32_t q = 0; q < kGroups / 2; ++q)
            groups[q].load({groupFilter(2 * q, kLeft), groupFilter(2 * q, kRight), groupFilter(2 * q + 1, kLeft),
                            groupFilter(2 * q + 1, kRight)});
        dampUnitPairs<kCombUnits>(y, d, s.input.noise, c, unitOut, damped, [&](int32_t i) {
            PairRow& row = rows[i];
            disperse(row);
            DoublePair sum = row.early;
            for (int32_t q = 0; q < kGroups / 2; ++q)
            {
                DoubleQuad out;
                std::memcpy(&out, &row.group[2 * q], sizeof out);
                groups[q].step(out);
                sum = __builtin_shufflevector(out, out, 0, 1) + sum;
                sum = __builtin_shufflevector(out, out, 2, 3) + sum;
            }
            row.wet = sum;
        });
        for (int32_t q = 0; q < kGroups / 2; ++q)
            groups[q].store({groupFilter(2 * q, kLeft), groupFilter(2 * q, kRight), groupFilter(2 * q + 1, kLeft),
                             groupFilter(2 * q + 1, kRight)});
    }
    else
    {
        BiquadPair groups[kGroups];
        for (int32_t k = 0; k < kGroups; ++k)
            groups[k].load({groupFilter(k, kLeft), groupFilter(k, kRight)});
        dampUnitRows<kCombUnits>(y, d, s.input.noise, c, unitOut, damped, [&](int32_t i) {
            PairRow& row = rows[i];
            disperse(row);
            DoublePair sum = row.early;
            for (int32_t k = 0; k < kGroups; ++k)
                sum = groups[k].process(row.group[k]) + sum;
            row.wet = sum;
        });
        for (int32_t k = 0; k < kGroups; ++k)
            groups[k].store({groupFilter(k, kLeft), groupFilter(k, kRight)});
    }
    storeStates<kCombUnits>(y, state);
    low.store(biquads[kInputLowBiquad[kLeft]], biquads[kInputLowBiquad[kRight]]);
    high.store(biquads[kInputHighBiquad[kLeft]], biquads[kInputHighBiquad[kRight]]);

    narrowPairs<false>(&rows[0].dispersed, kStride, 1.0, dispersed[kLeft], dispersed[kRight], c);
    narrowPairs<true>(&rows[0].wet, kStride, kWetScale, wetL, wetR, c);
}

void Plate::advanceTaps(int32_t c)
{
    const auto advance = [c](auto& taps) {
        for (int32_t& tap : taps.at)
            tap = (tap + c) & kShortRingMask;
    };
    advance(combTaps);
    advance(loopAllpassTaps);
    for (int32_t ch = 0; ch < 2; ++ch)
    {
        advance(earlyAllpassTaps[ch]);
        advance(earlyTaps[ch]);
        advance(diffuserTaps[ch]);
    }
}
