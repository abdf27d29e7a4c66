#include "Plate.h"
#include "PortableMath.h"

#include "LadderBank.h"
#include "ReverbEngine.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int32_t kLeft = 0;
constexpr int32_t kRight = 1;

// Lengths are multiples of the unit P = sizeFactor * 44100 * 0.001 * 2
// samples, most of them of P times the single-precision 0.2.
constexpr float kUnitFraction = 0.2f;
constexpr double kCombSpan = 60.0;               // comb unit 0 is 60 * P * 0.2 samples
constexpr double kLoopAllpassSpread = 1.5811388300841898; // sqrt(2.5)

// The units 0..11 step by quarter tones from 1 (kQuarterToneLadder); 12..23
// take the same factors alternately raised and lowered by 0.01.
constexpr double kDetunedQuarterTones[12] = {
    1.01,
    1.019302236643492,
    1.0694630943592953,
    1.0805077326652577,
    1.132462048309373,
    1.145352696872273,
    1.199207115002721,
    1.2140535433046553,
    1.2699210498948732,
    1.2868395546510096,
    1.3448398541700344,
    1.3639536474580891,
};

struct BiquadSetting
{
    double frequency;
    double q;
};

// Input chains (left 100 and 1600 Hz, right 105 and 1603 Hz), then the left
// and right output groups.
constexpr BiquadSetting kAllpassSettings[Plate::kAllpassBiquads] = {
    {100.0, 0.3},
    {105.0, 0.3},
    {1600.0, 1.2},
    {1603.0, 1.2},
    {7127.189745122714, 0.5},
    {6381.352228912162, 0.5},
    {5656.85424949238, 0.5},
    {5064.88262057739, 0.5},
    {7162.825693848327, 0.5},
    {6349.604207872799, 0.5},
    {5685.1385207398425, 0.5},
    {5039.684199579493, 0.5},
};
constexpr double kAllpassGainDb = 24.0;
constexpr double kAllpassStartRate = 44100.0;
constexpr float kResetLoopGain = 0.8f;

double unitFactor(int32_t unit)
{
    return unit < 12 ? kQuarterToneLadder[unit] : kDetunedQuarterTones[unit - 12];
}

// Input channel of each comb unit: 0..11 alternate left, right from the
// left; 12..23 from the right. Even units close their loop through the
// inverting allpass, odd ones through the allpass with -g on -y.
constexpr int32_t kUnitInput[Plate::kCombUnits] = {kLeft,  kRight, kLeft,  kRight, kLeft,  kRight, kLeft,  kRight,
                                                   kLeft,  kRight, kLeft,  kRight, kRight, kLeft,  kRight, kLeft,
                                                   kRight, kLeft,  kRight, kLeft,  kRight, kLeft,  kRight, kLeft};

// The three comb units of each output group, in summation order.
constexpr int32_t kGroupUnitList[2][Plate::kGroups][Plate::kGroupUnits] = {
    {{1, 0, 14}, {15, 4, 5}, {19, 18, 8}, {22, 9, 23}},
    {{13, 12, 2}, {16, 3, 17}, {7, 6, 20}, {21, 10, 11}},
};

// Early taps on the tone ring: base b (length b * P * 0.2 samples) and the
// weight of the (negligible) jitter term.
constexpr JitteredTap kEarlyTapTable[2][Plate::kEarlyTaps] = {
    {{21.4, 0}, {30.25, 0.1}, {38.65, 0.2}, {40.945, 0.4}, {55, 0.6}, {28, 0.9}, {40.615, 1.1}, {41.5, 1.2},
     {43, 1.4}, {43.75, 1.6}, {47.5, 1.8}, {52, 2}},
    {{21.4, 0}, {30.235, 0.1}, {38.665, 0.2}, {40.915, 0.4}, {55.03, 0.6}, {27.925, 0.9}, {40.69, 1.1},
     {41.395, 1.2}, {43.105, 1.4}, {43.6, 1.6}, {47.65, 1.8}, {52.105, 2}},
};
constexpr double kJitterDepth = 3.351e-10;

// Inputs of the early allpasses: terms summed in this order, each read at one
// of the channel's own early taps, on its own tone ring or on the other
// channel's (E1's tap 5 and all of E4's cross over).
struct EarlyTerm
{
    bool otherSide;
    int32_t tap;
    double weight;
};

struct EarlyAllpass
{
    double lengthUnits; // times P
    double gainScale;   // times apGain; the sign selects the allpass form
    int32_t terms;
    EarlyTerm term[4];
};

constexpr EarlyAllpass kEarlyAllpassTable[2][Plate::kEarlyAllpasses] = {
    {
        {0.39300000585615635, -0.7, 2, {{true, 5, 0.5}, {false, 0, 0.5}}},
        {0.4350000064820051, 0.79, 1, {{false, 1, 0.4}}},
        {0.6630000098794698, -0.84, 3, {{false, 3, 0.32}, {false, 2, 0.35}, {false, 4, 0.2}}},
        {0.7710000114887952, 0.92, 4, {{true, 6, 0.31}, {true, 7, 0.29}, {true, 8, 0.28}, {true, 9, 0.27}}},
    },
    {
        {0.3900000058114529, -0.7, 2, {{true, 5, 0.5}, {false, 0, 0.5}}},
        {0.4380000065267086, 0.79, 1, {{false, 1, 0.4}}},
        {0.6690000099688768, -0.84, 3, {{false, 2, 0.35}, {false, 3, 0.32}, {false, 4, 0.2}}},
        {0.7650000113993882, 0.92, 4, {{true, 6, 0.31}, {true, 7, 0.29}, {true, 8, 0.28}, {true, 9, 0.27}}},
    },
};

// Input diffusers: lengths in P * 0.2, lattice gain.
constexpr double kDiffuserUnits[2][Plate::kDiffuserTaps] = {
    {3.364663430419156, 4.983749592425366, 8.120729031312399, 12.117847993765231},
    {3.314066987856462, 5.009047813706713, 8.146027252593747, 12.092549772483885},
};
constexpr float kDiffuserGain = 0.5f;

// apGain = diffusion * kDiffusionDepth * kDiffusionLimit, in that order.
constexpr double kDiffusionDepth = 0.6;
constexpr double kDiffusionLimit = 0.7;
// Short rings of the pool: comb delay rings, loop allpass rings, early
// allpass rings (left, then right), then the diffusers.
constexpr int32_t kFirstLoopAllpassRing = Plate::kCombUnits;
constexpr int32_t kFirstEarlyAllpassRing = 2 * Plate::kCombUnits;
constexpr int32_t kFirstDiffuserRing = kFirstEarlyAllpassRing + 2 * Plate::kEarlyAllpasses;
constexpr double kEarlyMix = 3.0;
constexpr double kWetScale = 0.07268;

// The early allpass in double precision: the ring keeps v, the output is
// formed with v as stored. A negative gain gives the form with the signs of
// the feedback and the feed-forward swapped.
float earlyAllpass(float* ring, int32_t tap, int32_t pos, double gain, float x)
{
    const float delayed = ring[tap];
    const auto v = static_cast<float>(static_cast<double>(x) + gain * static_cast<double>(delayed));
    ring[pos] = v;
    return static_cast<float>(static_cast<double>(delayed) - gain * static_cast<double>(v));
}
} // namespace

Plate::Plate()
{
    for (int32_t i = 0; i < kAllpassBiquads; ++i)
        allpassBiquads[i] = Biquad(kAllpassStartRate, Biquad::kAllpass, kAllpassSettings[i].frequency,
                                   kAllpassSettings[i].q, kAllpassGainDb);
}

void Plate::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    if (!prepared.layout.current(engine, combTaps.distance(0, engine.ringPos), 0))
        placeTaps(engine);
    if (prepared.diffusion.moved(engine.diffusion))
        apGain = diffusionGain(engine.diffusion, kDiffusionDepth, kDiffusionLimit);
    if (prepared.highDamp.moved(engine.highDamp))
        dampCoef = dampingCoefficient(engine.highDamp);
    if (prepared.decay.moved(engine.decay))
        loopGain = static_cast<float>(
            engine.pow(engine.pow(1.65, std::sqrt(static_cast<double>(engine.decay))) / 1.7, sizeFactor * 0.5));
}

void Plate::placeTaps(ReverbEngine& engine)
{
    sizeFactor = static_cast<float>(engine.pow(4.0, 0.515) * 0.5 * 0.8 * 1.02);
    bool alike = true;
    plateUnit = static_cast<float>(sizeFactor * 44100.0 * 0.001 * 2);

    RingPool& pool = engine.pool;
    const int32_t pos = engine.ringPos;
    const double unit = plateUnit;
    const double combBase = static_cast<double>(plateUnit * kUnitFraction) * kCombSpan;
    for (int32_t u = 0; u < kCombUnits; ++u)
    {
        combs[u] = pool.shortRing(u);
        loopAllpasses[u] = pool.shortRing(kFirstLoopAllpassRing + u);
        combTaps.place(u, pos, combBase * unitFactor(u), alike);
    }

    TapJitter jitter;
    jitter.seed();
    for (int32_t ch = 0; ch < 2; ++ch)
        for (int32_t t = 0; t < kEarlyTaps; ++t)
            earlyTaps[ch].place(t, pos, jitteredLength(jitter, kJitterDepth, kEarlyTapTable[ch][t]) * kUnitFraction * unit, alike);

    for (int32_t u = 0; u < kCombUnits; ++u)
        loopAllpassTaps.place(u, pos, unit * (kLoopAllpassSpread * unitFactor(u)) * kUnitFraction, alike);
    for (int32_t ch = 0; ch < 2; ++ch)
    {
        for (int32_t t = 0; t < kDiffuserTaps; ++t)
            diffuserTaps[ch].place(t, pos, unit * kDiffuserUnits[ch][t] * kUnitFraction, alike);
        for (int32_t s = 0; s < kDiffuserStages; ++s)
            diffusers[ch][s] = pool.shortRing(kFirstDiffuserRing + ch * kDiffuserStages + s);
        for (int32_t e = 0; e < kEarlyAllpasses; ++e)
        {
            earlyRings[ch][e] = pool.shortRing(kFirstEarlyAllpassRing + ch * kEarlyAllpasses + e);
            earlyAllpassTaps[ch].place(e, pos, unit * kEarlyAllpassTable[ch][e].lengthUnits, alike);
        }
    }

    // Every ring a chunk writes must lie a chunk ahead of its taps.
    chunkLimit = kMaxChunk;
    for (int32_t u = 0; u < kCombUnits; ++u)
    {
        chunkLimit = std::min(chunkLimit, chunkLimitFor(combTaps.distance(u, pos)));
        chunkLimit = std::min(chunkLimit, chunkLimitFor(loopAllpassTaps.distance(u, pos)));
    }
    for (int32_t ch = 0; ch < 2; ++ch)
    {
        for (int32_t e = 0; e < kEarlyAllpasses; ++e)
            chunkLimit = std::min(chunkLimit, chunkLimitFor(earlyAllpassTaps[ch].distance(e, pos)));
        for (int32_t t = 0; t < kDiffuserStages; ++t)
            chunkLimit = std::min(chunkLimit, chunkLimitFor(diffuserTaps[ch].distance(t, pos)));
        // The shortest early tap lies over 300 samples back: the chunk
        // reads the tone ring before it writes it.
        for (int32_t t = 0; t < kEarlyTaps; ++t)
            chunkLimit = std::min(chunkLimit, std::min(earlyTaps[ch].distance(t, pos), kMaxChunk));
    }
    prepared.layout.placed(engine, combTaps.distance(0, pos), 0, alike);
}

void Plate::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { kernelScalar(engine, inL, inR, wetL, wetR, m); },
        [&] { kernelChunked(engine, inL, inR, wetL, wetR, m); });
}

void Plate::kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                         int32_t m)
{
    float* const tone[2] = {engine.pool.toneL(), engine.pool.toneR()};
    double earlyGains[2][kEarlyAllpasses];
    for (int32_t ch = 0; ch < 2; ++ch)
        for (int32_t e = 0; e < kEarlyAllpasses; ++e)
            earlyGains[ch][e] = kEarlyAllpassTable[ch][e].gainScale * static_cast<double>(apGain);
    Biquad* const biquads = allpassBiquads;
    const float g = apGain;
    const float damp = dampCoef;

    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const float toned[2] = {engine.toneLeft(x.left), engine.toneRight(x.right)};
        const int32_t pos = engine.ringPos;

        float dispersed[2];
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            const double a = biquads[kInputLowBiquad[ch]].process(static_cast<double>(toned[ch]));
            dispersed[ch] = static_cast<float>(biquads[kInputHighBiquad[ch]].process(a + noise) + noise);
            tone[ch][pos] = dispersed[ch];
        }

        float early[2];
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            const float* own = tone[ch];
            const float* other = tone[ch ^ 1];
            float out[kEarlyAllpasses];
            for (int32_t e = 0; e < kEarlyAllpasses; ++e)
            {
                const EarlyAllpass& unit = kEarlyAllpassTable[ch][e];
                double in = 0.0;
                for (int32_t t = 0; t < unit.terms; ++t)
                {
                    const EarlyTerm& term = unit.term[t];
                    const float* ring = term.otherSide ? other : own;
                    const double product = term.weight * static_cast<double>(ring[earlyTaps[ch].at[term.tap]]);
                    in = t == 0 ? product : in + product;
                }
                out[e] = earlyAllpass(earlyRings[ch][e], earlyAllpassTaps[ch].at[e], pos, earlyGains[ch][e],
                                      static_cast<float>(in));
            }
            early[ch] = out[1] + out[0] + out[2] + out[3];
        }

        float diffused[2];
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            float v = dispersed[ch];
            for (int32_t s = 0; s < kDiffuserStages; ++s)
                v = latticeAllpass(diffusers[ch][s], diffuserTaps[ch].at[s], pos, kDiffuserGain, v);
            diffused[ch] = v;
        }

        const float loop = loopGain;
        float unitOut[kCombUnits];
        const auto closeLoop = [&](int32_t u, float o) {
            const float s = damping[u].process(o, damp, noise);
            combs[u][pos] = s * loop + diffused[kUnitInput[u]];
            unitOut[u] = o;
        };
        for (int32_t u = 0; u < kCombUnits; u += 2)
        {
            closeLoop(u, invertingAllpass(loopAllpasses[u], loopAllpassTaps.at[u], pos, g, combs[u][combTaps.at[u]]));
            const int32_t b = u + 1;
            closeLoop(b, allpass(loopAllpasses[b], loopAllpassTaps.at[b], pos, -g, -combs[b][combTaps.at[b]]));
        }

        float* wet[2] = {wetL, wetR};
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            double sum = kEarlyMix * static_cast<double>(early[ch]);
            for (int32_t k = 0; k < kGroups; ++k)
            {
                const int32_t* units = kGroupUnitList[ch][k];
                const float group = unitOut[units[0]] + unitOut[units[1]] + unitOut[units[2]];
                sum = biquads[kGroupBiquad[ch][k]].process(static_cast<double>(group)) + sum;
            }
            wet[ch][i] = static_cast<float>(sum * kWetScale);
        }

        engine.advancePositions();
        combTaps.advance();
        loopAllpassTaps.advance();
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            earlyAllpassTaps[ch].advance();
            earlyTaps[ch].advance();
            diffuserTaps[ch].advance();
        }
    }
}

namespace
{
// The loop allpass of comb unit 0 is 24 samples at every rate, so nearly
// every chunk has that length; as a constant it lets each pass compile to
// straight vector code without a remainder loop.
constexpr int32_t kUsualChunk = 24;
static_assert(kUsualChunk % kLaneWidth == 0);

template <typename Pass>
void withPlateChunkLength(int32_t c, Pass&& pass)
{
    if (c == kUsualChunk)
        pass(std::integral_constant<int32_t, kUsualChunk>{});
    else
        pass(c);
}

// A chunk's run of c samples on a ring, used in place unless it crosses the
// ring's end, and then through a copy in `spill`. A tap lies at least a
// chunk behind the write position, so a chunk's read and write runs on one
// ring never overlap.
const float* runToRead(const float* ring, int32_t from, int32_t c, float* spill)
{
    if (from + c <= kShortRingSize)
        return ring + from;
    readRing(ring, from, kShortRingMask, c, spill);
    return spill;
}

struct RunToWrite
{
    float* ring;
    int32_t from;
    float* at; // where the pass writes

    RunToWrite(float* ring_, int32_t from_, int32_t c, float* spill)
        : ring(ring_), from(from_), at(from_ + c <= kShortRingSize ? ring_ + from_ : spill)
    {
    }
    // Copies a spilled run into the ring.
    void flush(int32_t c) const
    {
        if (at != ring + from)
            writeRing(ring, from, kShortRingMask, c, at);
    }
};

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
    float* const tone[2] = {engine.pool.toneL(), engine.pool.toneR()};
    Scratch& s = scratch;

    for (int32_t start = 0; start < m; start += chunkLimit)
        withPlateChunkLength(std::min(chunkLimit, m - start), [&](auto c) {
            const int32_t pos = engine.ringPos;
            engine.runInputChunk(inL + start, inR + start, c, s.input);
            // Everything the chunk reads from rings precedes its writes
            // (chunkLimit), so the comb units and the early allpasses go
            // first and the recursions that remain run side by side.
            runUnits(c, pos);
            for (int32_t ch = 0; ch < 2; ++ch)
                runEarly(ch, tone, c, pos);

            const RunToWrite toneRun[2] = {RunToWrite(tone[kLeft], pos, c, s.spill[0]),
                                           RunToWrite(tone[kRight], pos, c, s.spill[1])};
            float* const dispersed[2] = {toneRun[kLeft].at, toneRun[kRight].at};
            runRecursions(c, dispersed, wetL + start, wetR + start);

            for (int32_t ch = 0; ch < 2; ++ch)
            {
                // The input diffuser's lattice allpasses, one stage at a time.
                const float* in = dispersed[ch];
                for (int32_t t = 0; t < kDiffuserStages; ++t)
                {
                    const float* delayed = runToRead(diffusers[ch][t], diffuserTaps[ch].at[t], c, s.spill[2]);
                    const RunToWrite written(diffusers[ch][t], pos, c, s.spill[3]);
                    latticeRun(in, delayed, written.at, s.diffused[ch], c);
                    written.flush(c);
                    in = s.diffused[ch];
                }
                toneRun[ch].flush(c);
            }

            for (int32_t u = 0; u < kCombUnits; ++u)
            {
                const RunToWrite fed(combs[u], pos, c, s.spill[0]);
                feedRun(s.damped[u], loopGain, s.diffused[kUnitInput[u]], fed.at, c);
                fed.flush(c);
            }
            advanceTaps(c);
        });
}

template <typename Length>
void Plate::runUnits(Length c, int32_t pos)
{
    Scratch& s = scratch;
    // Even units close through g * delayed - x, odd ones through
    // -x + (-g) * delayed: one form with the gain's sign by unit.
    for (int32_t u = 0; u < kCombUnits; ++u)
    {
        const float g = (u & 1) ? -apGain : apGain;
        const float* x = runToRead(combs[u], combTaps.at[u], c, s.spill[0]);
        const float* delayed = runToRead(loopAllpasses[u], loopAllpassTaps.at[u], c, s.spill[1]);
        const RunToWrite v(loopAllpasses[u], pos, c, s.spill[2]);
        loopAllpassRun(x, delayed, g, v.at, s.unitOut[u], c);
        v.flush(c);
    }
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
void Plate::runEarly(int32_t ch, const float* const tone[2], Length c, int32_t pos)
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
            const float* tap = runToRead(term.otherSide ? other : own, earlyTaps[ch].at[term.tap], c, s.spill[0]);
            earlyTermRun(tap, term.weight, t == 0, in, c);
        }
        const double gain = unit.gainScale * static_cast<double>(apGain);
        const float* delayed = runToRead(earlyRings[ch][e], earlyAllpassTaps[ch].at[e], c, s.spill[0]);
        const RunToWrite v(earlyRings[ch][e], pos, c, s.spill[1]);
        earlyAllpassRun(in, delayed, gain, v.at, s.earlyOut[e], c);
        v.flush(c);
    }
    for (int32_t i = 0; i < c; ++i)
        s.early[ch][i] = s.earlyOut[1][i] + s.earlyOut[0][i] + s.earlyOut[2][i] + s.earlyOut[3][i];
}

// The chunk's recursions step together, one sample at a time, so that their
// waits overlap: the input's dispersion pair, the comb units' dampings and
// the output groups' Biquads. None feeds another within a chunk (the
// dampings and the groups take the units' ring reads). Whole blocks of four
// samples of the units enter and leave the damping lanes by transposes.
template <typename Length>
void Plate::runRecursions(Length c, float* const dispersed[2], float* wetL, float* wetR)
{
    Scratch& s = scratch;
    Biquad* const biquads = allpassBiquads;
    BiquadPair low;
    BiquadPair high;
    BiquadPair groups[kGroups];
    low.load(biquads[kInputLowBiquad[kLeft]], biquads[kInputLowBiquad[kRight]]);
    high.load(biquads[kInputHighBiquad[kLeft]], biquads[kInputHighBiquad[kRight]]);
    for (int32_t k = 0; k < kGroups; ++k)
        groups[k].load(biquads[kGroupBiquad[kLeft][k]], biquads[kGroupBiquad[kRight][k]]);
    Lanes y[kDampLanes];
    const auto state = [&](int32_t u) -> float& { return damping[u].y; };
    loadStates<kCombUnits>(y, state);
    const Lanes d = splat(dampCoef);

    const auto step = [&](int32_t i, Lanes(&units)[kDampLanes]) {
        const double noise = s.input.noise[i];
        const BiquadPair::Lanes toned = {s.input.tone[kLeft][i], s.input.tone[kRight][i]};
        const BiquadPair::Lanes out = high.process(low.process(toned) + noise) + noise;
        dispersed[kLeft][i] = static_cast<float>(out[0]);
        dispersed[kRight][i] = static_cast<float>(out[1]);

        const Lanes n = splat(s.input.noise[i]);
        for (int32_t g = 0; g < kDampLanes; ++g)
        {
            y[g] = (units[g] - y[g]) * d + n + y[g];
            units[g] = y[g];
        }

        BiquadPair::Lanes sum = {kEarlyMix * static_cast<double>(s.early[kLeft][i]),
                                 kEarlyMix * static_cast<double>(s.early[kRight][i])};
        for (int32_t k = 0; k < kGroups; ++k)
            sum = groups[k].process(BiquadPair::Lanes{s.groupIn[kLeft][k][i], s.groupIn[kRight][k][i]}) + sum;
        wetL[i] = static_cast<float>(sum[0] * kWetScale);
        wetR[i] = static_cast<float>(sum[1] * kWetScale);
    };

    int32_t i = 0;
    for (; i + kLaneWidth <= c; i += kLaneWidth)
    {
        Lanes block[kDampLanes][kLaneWidth];
        for (int32_t g = 0; g < kDampLanes; ++g)
        {
            for (int32_t u = 0; u < kLaneWidth; ++u)
                block[g][u] = loadLanes(s.unitOut[g * kLaneWidth + u] + i);
            transposeLanes(block[g]);
        }
        for (int32_t j = 0; j < kLaneWidth; ++j)
        {
            Lanes units[kDampLanes];
            for (int32_t g = 0; g < kDampLanes; ++g)
                units[g] = block[g][j];
            step(i + j, units);
            for (int32_t g = 0; g < kDampLanes; ++g)
                block[g][j] = units[g];
        }
        for (int32_t g = 0; g < kDampLanes; ++g)
        {
            transposeLanes(block[g]);
            for (int32_t u = 0; u < kLaneWidth; ++u)
                storeLanes(s.damped[g * kLaneWidth + u] + i, block[g][u]);
        }
    }
    // The usual chunk is whole blocks; a shorter one ends sample by sample.
    if constexpr (std::is_integral_v<Length>)
        for (; i < c; ++i)
        {
            Lanes units[kDampLanes];
            for (int32_t u = 0; u < kCombUnits; ++u)
                units[u / kLaneWidth][u % kLaneWidth] = s.unitOut[u][i];
            step(i, units);
            for (int32_t u = 0; u < kCombUnits; ++u)
                s.damped[u][i] = units[u / kLaneWidth][u % kLaneWidth];
        }

    storeStates<kCombUnits>(y, state);
    low.store(biquads[kInputLowBiquad[kLeft]], biquads[kInputLowBiquad[kRight]]);
    high.store(biquads[kInputHighBiquad[kLeft]], biquads[kInputHighBiquad[kRight]]);
    for (int32_t k = 0; k < kGroups; ++k)
        groups[k].store(biquads[kGroupBiquad[kLeft][k]], biquads[kGroupBiquad[kRight][k]]);
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

void Plate::clear(ReverbEngine& engine, StateClear when)
{
    prepared.forget();
    for (DampingLowpass& d : damping)
        d = DampingLowpass();
    switch (when)
    {
    case StateClear::Resume:
        for (Biquad& filter : allpassBiquads)
            filter.setRate(engine.internalRate);
        break;
    case StateClear::Suspend:
        for (Biquad& filter : allpassBiquads)
            filter.clear();
        break;
    case StateClear::Reset:
        for (Biquad& filter : allpassBiquads)
        {
            filter.recompute();
            filter.clear();
        }
        loopGain = kResetLoopGain;
        break;
    }
}
