#include "ReverbSkeleton.h"

#include "ReverbEngine.h"

#include <algorithm>

float dampingCoefficient(float highDamp)
{
    return static_cast<float>((1.0 - static_cast<double>(highDamp)) * 0.8 + 0.2);
}

float diffusionGain(float diffusion, double a, double b)
{
    return static_cast<float>(static_cast<double>(diffusion) * a * b);
}

int32_t LatticeDiffuser::chunkLimit(int32_t writePos) const
{
    int32_t limit = kMaxChunk;
    for (int32_t stage = 0; stage < kStages; ++stage)
        limit = std::min(limit, chunkLimitFor(taps.distance(stage, writePos)));
    return limit;
}

bool CombAllpassNetwork::placeTaps(ReverbEngine& engine, const CombAllpassLayout& layout, float timeUnit)
{
    bool alike = true;
    RingPool& pool = engine.pool;
    const int32_t ringPos = engine.ringPos;
    const double u = timeUnit;

    for (int32_t k = 0; k < kUnits; ++k)
    {
        const CombAllpassLayout::Comb& comb = layout.combs[k];
        units[k].comb = pool.shortRing(kFirstCombRing + k);
        units[k].combTap = placeTap(ringPos, u * comb.base * comb.factor * layout.combStretch, alike);
    }

    const float* const tone[2] = {pool.toneL(), pool.toneR()};
    TapJitter jitter;
    jitter.seed();
    for (const int32_t tap : CombAllpassLayout::kEarlyDrawOrder)
    {
        const int32_t k = tap % kPerChannel;
        const JitteredTap row = {CombAllpassLayout::kEarlyBase[k],
                                 k < CombAllpassLayout::kNearTaps ? layout.earlyWeight[k] : 1.0};
        early.source[tap] = tone[layout.earlySource[tap]];
        const double length = jitteredLength(jitter, layout.earlyJitterWidth, row) * layout.earlyScale * u;
        early.taps.place(tap, engine.inputPos, length, alike);
    }

    const double allpassUnit = static_cast<float>(u * 3.9);
    for (int32_t k = 0; k < kUnits; ++k)
    {
        units[k].allpassRing = pool.shortRing(kFirstAllpassRing + k);
        units[k].allpassTap = placeTap(ringPos, allpassUnit * layout.combs[k].allpass, alike);
    }

    const double v = static_cast<float>(engine.internalRate * 1.2 / 1000.0);
    for (int32_t channel = 0; channel < 2; ++channel)
        for (int32_t stage = 0; stage < EarlyJoinDiffuser::kStages; ++stage)
        {
            diffusers[channel].ring[stage] =
                pool.shortRing(kFirstDiffuserRing + channel * EarlyJoinDiffuser::kStages + stage);
            diffusers[channel].taps.place(stage, ringPos, v * layout.diffuserLengths[channel][stage], alike);
        }

    // Every ring a chunk writes must lie a chunk ahead of its taps; the
    // early taps read the tone ring after its writes, as in the scalar kernel.
    chunkLimit = kMaxChunk;
    for (int32_t tap = 0; tap < kUnits; ++tap)
        chunkLimit =
            std::min(chunkLimit, chunkLimitAfterWrites(early.taps.distance(tap, engine.inputPos), kLongRingSize));
    const int32_t offsetPos = early.taps.at[layout.offsetTap] & kShortRingMask;
    for (int32_t k = 0; k < kUnits; ++k)
    {
        const int32_t writePos = layout.writesAtOffset[k] ? offsetPos : ringPos;
        chunkLimit = std::min(chunkLimit, chunkLimitFor((writePos - units[k].combTap) & kShortRingMask));
        chunkLimit = std::min(chunkLimit, chunkLimitFor((ringPos - units[k].allpassTap) & kShortRingMask));
    }
    for (const EarlyJoinDiffuser& diffuser : diffusers)
        for (int32_t stage = 0; stage < EarlyJoinDiffuser::kStages; ++stage)
            chunkLimit = std::min(chunkLimit, chunkLimitFor(diffuser.taps.distance(stage, ringPos)));
    return alike;
}

int32_t CombAllpassNetwork::ringTapDistance(int32_t ringPos) const
{
    return (ringPos - units[0].allpassTap) & kShortRingMask;
}

void CombAllpassNetwork::run(ReverbEngine& engine, const CombAllpassLayout& layout, const float* inL,
                             const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { runScalar(engine, layout, inL, inR, wetL, wetR, m); },
        [&] { runChunked(engine, layout, inL, inR, wetL, wetR, m); });
}

void CombAllpassNetwork::runScalar(ReverbEngine& engine, const CombAllpassLayout& layout, const float* inL,
                                   const float* inR, float* wetL, float* wetR, int32_t m)
{
    float* const tone[2] = {engine.pool.toneL(), engine.pool.toneR()};
    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const float t[2] = {engine.toneLeft(x.left), engine.toneRight(x.right)};
        tone[0][engine.inputPos] = t[0];
        tone[1][engine.inputPos] = t[1];

        // inputPos and ringPos agree modulo 16384, so the offset tap's 16-bit
        // position masked to 14 bits lies its delay behind ringPos.
        const int32_t ringPos = engine.ringPos;
        const int32_t writePos[2] = {ringPos, early.taps.at[layout.offsetTap] & kShortRingMask};
        float d[kUnits];
        for (int32_t k = 0; k < kUnits; ++k)
        {
            CombAllpassUnit& unit = units[k];
            d[k] = unit.step(ringPos, apGain, dampCoef, noise);
            unit.comb[writePos[layout.writesAtOffset[k]]] = t[layout.unitInput[k]] + loopFeedback * d[k];
        }

        float out[2];
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            const uint8_t* summed = layout.summed[channel];
            float sum = d[summed[0]];
            for (int32_t j = 1; j < kPerChannel; ++j)
                sum += d[summed[j]];
            const float earlySum = early.alternatingSum(channel * kPerChannel, kPerChannel, earlyGain);
            const float diffused = diffusers[channel].process(sum, earlySum, apGain, ringPos);
            out[channel] = scaleInDouble(diffused, layout.outputScale);
        }
        wetL[i] = out[0];
        wetR[i] = out[1];

        engine.advancePositions();
        for (CombAllpassUnit& unit : units)
            unit.advance();
        early.advance();
        diffusers[0].advance();
        diffusers[1].advance();
    }
}

void CombAllpassNetwork::runChunked(ReverbEngine& engine, const CombAllpassLayout& layout, const float* inL,
                                    const float* inR, float* wetL, float* wetR, int32_t m)
{
    float* const tone[2] = {engine.pool.toneL(), engine.pool.toneR()};
    const bool pairs = engine.kernelPath != KernelPath::Chunked;
    for (int32_t start = 0; start < m; start += chunkLimit)
    {
        const int32_t c = std::min(chunkLimit, m - start);
        const int32_t ringPos = engine.ringPos;
        const int32_t inputPos = engine.inputPos;
        const int32_t offsetPos = early.taps.at[layout.offsetTap] & kShortRingMask;
        engine.runPreDelayChunk(inL + start, inR + start, c, scratch.input);
        // The units' dampings read only earlier samples, so the tone stages
        // step beside them; the early taps read the tone rings afterwards.
        ToneChunk toneStages = engine.beginTone();
        withChunkLength(c, [&](auto length) {
            runUnits(layout, length, ringPos, offsetPos, toneStages, pairs);
            engine.endTone(toneStages);
            writeRing(tone[0], inputPos, kLongRingMask, c, scratch.input.tone[0]);
            writeRing(tone[1], inputPos, kLongRingMask, c, scratch.input.tone[1]);
            runOutput(0, layout, length, ringPos, wetL + start);
            runOutput(1, layout, length, ringPos, wetR + start);
        });

        for (CombAllpassUnit& unit : units)
        {
            unit.combTap = (unit.combTap + c) & kShortRingMask;
            unit.allpassTap = (unit.allpassTap + c) & kShortRingMask;
        }
        for (int32_t& tap : early.taps.at)
            tap = (tap + c) & kLongRingMask;
        for (EarlyJoinDiffuser& diffuser : diffusers)
            for (int32_t& tap : diffuser.taps.at)
                tap = (tap + c) & kShortRingMask;
    }
}

template <typename Length>
void CombAllpassNetwork::runUnits(const CombAllpassLayout& layout, Length length, int32_t ringPos, int32_t offsetPos,
                                  ToneChunk& toneStages, bool pairs)
{
    const int32_t c = length;
    Scratch& s = scratch;
    // The inverting allpass of every unit over the chunk.
    for (int32_t k = 0; k < kUnits; ++k)
    {
        const CombAllpassUnit& unit = units[k];
        const float* const x = ringSpan(unit.comb, unit.combTap, kShortRingMask, c, s.combOut[k]);
        const float* const delayed = ringSpan(unit.allpassRing, unit.allpassTap, kShortRingMask, c, s.delayed[k]);
        const RingWrite writtenRun(unit.allpassRing, ringPos, kShortRingMask, c, s.ringIn[k]);
        float* const written = writtenRun.at;
        float* const out = s.combOut[k];
        // `written` may be `delayed` itself (a tap a whole ring behind):
        // each sample is read before its place is written.
        for (int32_t i = 0; i < c; ++i)
        {
            const float d = delayed[i];
            const float v = apGain * d - x[i];
            written[i] = v;
            out[i] = d - apGain * v;
        }
        writtenRun.flush(c);
    }

    // The dampings, four units to a lane, two lanes to a vector in the wide
    // builds.
    Lanes y[kUnits / kLaneWidth];
    Lanes d[kUnits / kLaneWidth];
    const auto state = [&](int32_t k) -> float& { return units[k].damping.y; };
    loadStates<kUnits>(y, state);
    for (Lanes& g : d)
        g = splat(dampCoef);
    dampUnitsFor<kUnits>(
        pairs, y, d, s.input.noise, c, [&](int32_t k) -> const float* { return s.combOut[k]; },
        [&](int32_t k) { return s.damped[k]; }, [&](int32_t i) { toneStages.step(s.input, i); });
    storeStates<kUnits>(y, state);

    for (int32_t k = 0; k < kUnits; ++k)
    {
        const float* input = s.input.tone[layout.unitInput[k]];
        const int32_t at = layout.writesAtOffset[k] ? offsetPos : ringPos;
        const RingWrite fedRun(units[k].comb, at, kShortRingMask, c, s.ringIn[k]);
        float* const fed = fedRun.at;
        const float* const damped = s.damped[k];
        for (int32_t i = 0; i < c; ++i)
            fed[i] = input[i] + loopFeedback * damped[i];
        fedRun.flush(c);
    }
}

template <typename Length>
void CombAllpassNetwork::runOutput(int32_t channel, const CombAllpassLayout& layout, Length length, int32_t ringPos,
                                   float* wet)
{
    const int32_t c = length;
    Scratch& s = scratch;
    const uint8_t* summed = layout.summed[channel];
    const float* rows[kPerChannel];
    for (int32_t j = 0; j < kPerChannel; ++j)
        rows[j] = s.damped[summed[j]];
    sumRowsAt(rows, c, s.signal);

    // + g0 e0 - g1 e1 + g2 e2 ..., left to right, per sample.
    const int32_t first = channel * kPerChannel;
    const float* taps[kPerChannel];
    for (int32_t k = 0; k < kPerChannel; ++k)
        taps[k] = ringSpan(early.source[first + k], early.taps.at[first + k], kLongRingMask, c, s.early[k]);
    float* const earlySum = s.stageIn;
    alternatingSumAt(taps, earlyGain, c, earlySum);

    // The diffuser's allpasses with gains -g, +g, -g; the early sum joins
    // before the last.
    EarlyJoinDiffuser& diffuser = diffusers[channel];
    const float stageGain[EarlyJoinDiffuser::kStages] = {-apGain, apGain, -apGain};
    for (int32_t stage = 0; stage < EarlyJoinDiffuser::kStages; ++stage)
    {
        const float g = stageGain[stage];
        if (stage == EarlyJoinDiffuser::kStages - 1)
            for (int32_t i = 0; i < c; ++i)
                s.signal[i] = s.signal[i] + earlySum[i];
        float* const ring = diffuser.ring[stage];
        const float* const delayed = ringSpan(ring, diffuser.taps.at[stage], kShortRingMask, c, s.delayedStage);
        // The early copies are free again once their sum is formed.
        const RingWrite writtenRun(ring, ringPos, kShortRingMask, c, s.early[0]);
        float* const written = writtenRun.at;
        for (int32_t i = 0; i < c; ++i)
        {
            const float d = delayed[i]; // read before its place may be written
            const float v = s.signal[i] + g * d;
            written[i] = v;
            s.signal[i] = d - g * v;
        }
        writtenRun.flush(c);
    }
    for (int32_t i = 0; i < c; ++i)
        wet[i] = scaleInDouble(s.signal[i], layout.outputScale);
}

void CombAllpassNetwork::clearStates()
{
    for (CombAllpassUnit& unit : units)
        unit.damping = DampingLowpass();
}
