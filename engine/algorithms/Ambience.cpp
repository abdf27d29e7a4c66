#include "Ambience.h"
#include "PortableMath.h"

#include "ReverbEngine.h"

#include <algorithm>
#include <cmath>

namespace
{
enum ToneSide : int32_t
{
    kX = 0, // left tone ring
    kY = 1, // right tone ring
};

struct GroupTap
{
    ToneSide side;
    double seconds; // before the size factor
};

// The three taps of each group in summation order; L1..L6, then R1..R6.
constexpr GroupTap kTapTable[Ambience::kGroups][Ambience::kGroupTaps] = {
    {{kX, 0.01571}, {kX, 0.00723}, {kY, 0.02031}},
    {{kX, 0.02793}, {kX, 0.0412}, {kY, 0.03931}},
    {{kX, 0.05314}, {kX, 0.05921}, {kY, 0.06031}},
    {{kX, 0.06853}, {kX, 0.06243}, {kY, 0.07131}},
    {{kX, 0.08543}, {kX, 0.07745}, {kY, 0.08331}},
    {{kX, 0.09269}, {kX, 0.1}, {kY, 0.09831}},
    {{kY, 0.00731}, {kY, 0.01511}, {kX, 0.01931}},
    {{kY, 0.0422}, {kY, 0.02693}, {kX, 0.03731}},
    {{kY, 0.05414}, {kY, 0.05821}, {kX, 0.05831}},
    {{kY, 0.06953}, {kY, 0.06143}, {kX, 0.07231}},
    {{kY, 0.07845}, {kY, 0.08443}, {kX, 0.08531}},
    {{kY, 0.099}, {kY, 0.09369}, {kX, 0.09731}},
};

// Allpass chain of each group: the length factor of all three stages and the
// divisor of the third stage's base (the second stage's is kSecondDivisor).
struct Chain
{
    double factor;
    double thirdDivisor;
};

constexpr Chain kChains[Ambience::kGroups] = {
    {0.77044, 8.414217}, {0.76044, 7.414217}, {0.87506, 9.414217}, {0.83506, 7.414217},
    {1.04698, 8.414217}, {1.00698, 7.414217}, {0.73044, 8.414217}, {0.72044, 7.414217},
    {0.77506, 9.414217}, {0.73506, 7.414217}, {1.14698, 8.414217}, {1.10698, 7.414217},
};
constexpr double kSecondDivisor = 1.414217;

// Group weights at Decay 0; Decay 1 raises them all to 1.
constexpr double kWeightsAtDecay0[Ambience::kWeights] = {1.0, 0.5, 0.25, 0.125, 0.0625, 0.03125};

// Which group goes into each wet channel with which weight, in summation order.
struct MixTerm
{
    int32_t weight;
    int32_t group;
};

constexpr int32_t kL1 = 0, kL2 = 1, kL3 = 2, kL4 = 3, kL5 = 4, kL6 = 5;
constexpr int32_t kR1 = 6, kR2 = 7, kR3 = 8, kR4 = 9, kR5 = 10, kR6 = 11;
constexpr MixTerm kLeftMix[Ambience::kWeights] = {{1, kR2}, {0, kL1}, {2, kL3}, {3, kR4}, {4, kL5}, {5, kR6}};
constexpr MixTerm kRightMix[Ambience::kWeights] = {{1, kL2}, {0, kR1}, {2, kR3}, {3, kL4}, {4, kR5}, {5, kL6}};

constexpr double kWetScale = 0.25;
constexpr double kDiffusionScale = 0.65;
constexpr double kSizeSpread = 5.0; // the smoothing exponent is the size factor over this

// Pool layout: X and Y on the first two long blocks, the 36 allpass rings on
// the first short rings, three per group.
void takeAllpassRings(ReverbEngine& engine, float* (&rings)[Ambience::kGroups][Ambience::kStages])
{
    for (int32_t group = 0; group < Ambience::kGroups; ++group)
        for (int32_t stage = 0; stage < Ambience::kStages; ++stage)
            rings[group][stage] = engine.pool.shortRing(group * Ambience::kStages + stage);
}

float mix(const MixTerm (&terms)[Ambience::kWeights], const float* weights, const float* groupOut)
{
    float sum = weights[terms[0].weight] * groupOut[terms[0].group];
    for (int32_t i = 1; i < Ambience::kWeights; ++i)
        sum = sum + weights[terms[i].weight] * groupOut[terms[i].group];
    return scaleInDouble(sum, kWetScale);
}
} // namespace

void Ambience::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepareWide())
        return;

    if (!prepared.layout.current(engine, groupTaps[0].distance(0, engine.ringPos), 0))
        placeTaps(engine);
    if (prepared.diffusion.moved(engine.diffusion))
        apGain = scaleInDouble(engine.diffusion, kDiffusionScale);
    if (prepared.highDamp.moved(engine.highDamp))
    {
        const double brightness = (1.0 - static_cast<double>(engine.highDamp)) * 0.5 + 0.5;
        damping = static_cast<float>(engine.pow(brightness, sizeFactor / kSizeSpread));
        for (int32_t i = 0; i < kWeights; ++i)
            smoothing[i] = static_cast<float>(engine.pow(damping, i + 1));
    }
    if (prepared.decay.moved(engine.decay))
    {
        const double weightExponent = 1.0 - static_cast<double>(engine.decay);
        for (int32_t i = 0; i < kWeights; ++i)
            weights[i] = static_cast<float>(engine.pow(kWeightsAtDecay0[i], weightExponent));
    }
}

void Ambience::placeTaps(ReverbEngine& engine)
{
    // The size factor is fixed; the smoothing that depends on it is computed
    // after, whenever HighDamp moves.
    sizeFactor = static_cast<float>(engine.pow(8.0, 0.52) * 0.5 * 1.25);
    allpassScale = static_cast<float>(2.0 * std::sqrt(sizeFactor * 0.5));
    bool alike = true;
    const double rate = engine.internalRate;
    const double base = rate * 0.1;
    for (int32_t g = 0; g < kGroups; ++g)
    {
        for (int32_t t = 0; t < kGroupTaps; ++t)
            groupTaps[g].place(t, engine.ringPos, (rate * kTapTable[g][t].seconds) * sizeFactor, alike);

        const double bases[kStages] = {base, base / kSecondDivisor, base / kChains[g].thirdDivisor};
        for (int32_t s = 0; s < kStages; ++s)
            allpassTaps[g].place(s, engine.ringPos, ((bases[s] * kChains[g].factor) * 0.1) * allpassScale, alike);
    }
    // The group taps read the tone rings after the chunk's writes, the
    // allpass taps their rings before.
    chunkLimit = kMaxChunk;
    for (int32_t g = 0; g < kGroups; ++g)
    {
        for (int32_t t = 0; t < kGroupTaps; ++t)
            chunkLimit = std::min(chunkLimit,
                                  chunkLimitAfterWrites(groupTaps[g].distance(t, engine.ringPos), kLongRingSize));
        for (int32_t s = 0; s < kStages; ++s)
            chunkLimit = std::min(chunkLimit, chunkLimitFor(allpassTaps[g].distance(s, engine.ringPos)));
    }
    prepared.layout.placed(engine, groupTaps[0].distance(0, engine.ringPos), 0, alike);
}

void Ambience::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { kernelScalar(engine, inL, inR, wetL, wetR, m); },
        [&] { kernelChunked(engine, inL, inR, wetL, wetR, m); });
}

void Ambience::kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                            int32_t m)
{
    float* const tone[2] = {engine.pool.longBlock(0), engine.pool.longBlock(1)};
    float* rings[kGroups][kStages];
    takeAllpassRings(engine, rings);
    const float g = apGain;

    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const int32_t pos = engine.ringPos;
        const int32_t shortPos = pos & kShortRingMask;
        tone[kX][pos] = engine.toneLeft(x.left);
        tone[kY][pos] = engine.toneRight(x.right);

        for (int32_t k = 0; k < kGroups; ++k)
        {
            const float a = tone[kTapTable[k][0].side][groupTaps[k].at[0]] +
                            tone[kTapTable[k][1].side][groupTaps[k].at[1]] +
                            tone[kTapTable[k][2].side][groupTaps[k].at[2]];
            smoothed[k] = (a - smoothed[k]) * smoothing[k % kWeights] + noise + smoothed[k];
        }

        float groupOut[kGroups];
        for (int32_t k = 0; k < kGroups; ++k)
        {
            float v = smoothed[k];
            for (int32_t s = 0; s < kStages; ++s)
            {
                float* ring = rings[k][s];
                const float out = ring[allpassTaps[k].at[s]] - g * v + noise;
                ring[shortPos] = v + g * out;
                v = out;
            }
            groupOut[k] = v;
        }

        wetL[i] = mix(kLeftMix, weights, groupOut);
        wetR[i] = mix(kRightMix, weights, groupOut);

        engine.advancePositionsWide();
        for (LongTaps<kGroupTaps>& taps : groupTaps)
            taps.advance();
        for (ShortTaps<kStages>& taps : allpassTaps)
            taps.advance();
    }
}

void Ambience::kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                             int32_t m)
{
    float* const tone[2] = {engine.pool.longBlock(0), engine.pool.longBlock(1)};
    float* rings[kGroups][kStages];
    takeAllpassRings(engine, rings);
    Scratch& s = scratch;
    const float g = apGain;
    const float* const noise = s.input.noise;
    forEachChunk(m, chunkLimit, [&](int32_t start, auto length) {
        const int32_t c = length;
        const int32_t pos = engine.ringPos;
        const int32_t shortPos = pos & kShortRingMask;
        engine.runInputChunk(inL + start, inR + start, c, s.input, ReverbEngine::PositionStep::AfterWide);
        writeRing(tone[kX], pos, kLongRingMask, c, s.input.tone[0]);
        writeRing(tone[kY], pos, kLongRingMask, c, s.input.tone[1]);

        for (int32_t k = 0; k < kGroups; ++k)
        {
            const float* const sources[kGroupTaps] = {tone[kTapTable[k][0].side], tone[kTapTable[k][1].side],
                                                      tone[kTapTable[k][2].side]};
            sumTaps(sources, groupTaps[k].at, kLongRingMask, c, s.group[k]);
        }

        // The smoothers, four groups to a lane.
        Lanes y[kGroups / kLaneWidth];
        Lanes coef[kGroups / kLaneWidth];
        const auto state = [&](int32_t k) -> float& { return smoothed[k]; };
        loadStates<kGroups>(y, state);
        loadStates<kGroups>(coef, [&](int32_t k) { return smoothing[k % kWeights]; });
        const auto row = [&](int32_t k) { return s.group[k]; };
        dampUnitRows<kGroups>(y, coef, noise, c, row, row);
        storeStates<kGroups>(y, state);

        // Each group's allpass chain: out = delayed - g v + noise, the ring
        // taking v + g out.
        for (int32_t k = 0; k < kGroups; ++k)
            runRingChain(rings[k], allpassTaps[k].at, shortPos, kShortRingMask, c, s.group[k],
                         [g, noise](int32_t, auto delayed, auto v, int32_t i, auto& written) {
                             const auto out = delayed - g * v + loadAs<decltype(v)>(noise + i);
                             written = v + g * out;
                             return out;
                         });

        float* const wet[2] = {wetL + start, wetR + start};
        const MixTerm* const mixes[2] = {kLeftMix, kRightMix};
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            const MixTerm* const terms = mixes[channel];
            float w[kWeights];
            const float* rows[kWeights];
            for (int32_t t = 0; t < kWeights; ++t)
            {
                w[t] = weights[terms[t].weight];
                rows[t] = s.group[terms[t].group];
            }
            float* const out = wet[channel];
            for (int32_t i = 0; i < c; ++i)
            {
                float sum = w[0] * rows[0][i];
                for (int32_t t = 1; t < kWeights; ++t)
                    sum = sum + w[t] * rows[t][i];
                out[i] = scaleInDouble(sum, kWetScale);
            }
        }

        for (LongTaps<kGroupTaps>& taps : groupTaps)
            for (int32_t& tap : taps.at)
                tap = (tap + c) & kLongRingMask;
        for (ShortTaps<kStages>& taps : allpassTaps)
            for (int32_t& tap : taps.at)
                tap = (tap + c) & kShortRingMask;
    });
}

void Ambience::clear(ReverbEngine&, StateClear)
{
    prepared.forget();
    for (float& s : smoothed)
        s = 0.0f;
}
