#include "Plate.h"
#include "PortableMath.h"

#include "LadderBank.h"
#include "PlateNetwork.h"
#include "ReverbEngine.h"

#include <algorithm>
#include <cmath>

using namespace plate_network;

namespace
{
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


// Early taps on the tone ring: base b (length b * P * 0.2 samples) and the
// weight of the (negligible) jitter term.
constexpr JitteredTap kEarlyTapTable[2][Plate::kEarlyTaps] = {
    {{21.4, 0}, {30.25, 0.1}, {38.65, 0.2}, {40.945, 0.4}, {55, 0.6}, {28, 0.9}, {40.615, 1.1}, {41.5, 1.2},
     {43, 1.4}, {43.75, 1.6}, {47.5, 1.8}, {52, 2}},
    {{21.4, 0}, {30.235, 0.1}, {38.665, 0.2}, {40.915, 0.4}, {55.03, 0.6}, {27.925, 0.9}, {40.69, 1.1},
     {41.395, 1.2}, {43.105, 1.4}, {43.6, 1.6}, {47.65, 1.8}, {52.105, 2}},
};
constexpr double kJitterDepth = 3.351e-10;


// Input diffusers: lengths in P * 0.2, lattice gain.
constexpr double kDiffuserUnits[2][Plate::kDiffuserTaps] = {
    {3.364663430419156, 4.983749592425366, 8.120729031312399, 12.117847993765231},
    {3.314066987856462, 5.009047813706713, 8.146027252593747, 12.092549772483885},
};

// apGain = diffusion * kDiffusionDepth * kDiffusionLimit, in that order.
constexpr double kDiffusionDepth = 0.6;
constexpr double kDiffusionLimit = 0.7;
// Small rings of the pool: comb delay rings, loop allpass rings, early
// allpass rings (left, then right), the diffusers, then the tone rings.
constexpr int32_t kFirstLoopAllpassRing = Plate::kCombUnits;
constexpr int32_t kFirstEarlyAllpassRing = 2 * Plate::kCombUnits;
constexpr int32_t kFirstDiffuserRing = kFirstEarlyAllpassRing + 2 * Plate::kEarlyAllpasses;
constexpr int32_t kFirstToneRing = kFirstDiffuserRing + 2 * Plate::kDiffuserStages;
static_assert(kFirstToneRing + 2 <= RingPool::kSmallRings);

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
        combs[u] = pool.smallRing(u);
        loopAllpasses[u] = pool.smallRing(kFirstLoopAllpassRing + u);
        combTaps.place(u, pos, combBase * unitFactor(u), alike);
    }

    tone[kLeft] = pool.smallRing(kFirstToneRing);
    tone[kRight] = pool.smallRing(kFirstToneRing + 1);

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
            diffusers[ch][s] = pool.smallRing(kFirstDiffuserRing + ch * kDiffuserStages + s);
        for (int32_t e = 0; e < kEarlyAllpasses; ++e)
        {
            earlyRings[ch][e] = pool.smallRing(kFirstEarlyAllpassRing + ch * kEarlyAllpasses + e);
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

void Plate::kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                         int32_t m)
{
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
        const int32_t pos = engine.ringPos & kSmallRingMask;
        const auto on = [](int32_t tap) { return tap & kSmallRingMask; };

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
                    const double product = term.weight * static_cast<double>(ring[on(earlyTaps[ch].at[term.tap])]);
                    in = t == 0 ? product : in + product;
                }
                out[e] = earlyAllpass(earlyRings[ch][e], on(earlyAllpassTaps[ch].at[e]), pos, earlyGains[ch][e],
                                      static_cast<float>(in));
            }
            early[ch] = out[1] + out[0] + out[2] + out[3];
        }

        float diffused[2];
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            float v = dispersed[ch];
            for (int32_t s = 0; s < kDiffuserStages; ++s)
                v = latticeAllpass(diffusers[ch][s], on(diffuserTaps[ch].at[s]), pos, kDiffuserGain, v);
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
            closeLoop(u, invertingAllpass(loopAllpasses[u], on(loopAllpassTaps.at[u]), pos, g, combs[u][on(combTaps.at[u])]));
            const int32_t b = u + 1;
            closeLoop(b, allpass(loopAllpasses[b], on(loopAllpassTaps.at[b]), pos, -g, -combs[b][on(combTaps.at[b])]));
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
